#include "Ordane/App/TextScale.hpp"

#include <atomic>

namespace ordane {

namespace {
std::atomic<double> textScale{1.0};
}  // namespace

double currentTextScale() { return textScale.load(std::memory_order_relaxed); }

void setCurrentTextScale(double scale) { textScale.store(scale, std::memory_order_relaxed); }

}  // namespace ordane
