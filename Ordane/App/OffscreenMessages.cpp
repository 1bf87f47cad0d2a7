#include "Ordane/App/OffscreenMessages.hpp"

#include <QGuiApplication>
#include <QString>

namespace ordane {

namespace {

QtMessageHandler passedOn = nullptr;

void dropSizeHintWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message == QLatin1String("This plugin does not support propagateSizeHints()")) return;
    if (passedOn) passedOn(type, context, message);
}

}  // namespace

void quietOffscreenPlatform() {
    if (passedOn || QGuiApplication::platformName() != QLatin1String("offscreen")) return;
    passedOn = qInstallMessageHandler(dropSizeHintWarning);
}

}  // namespace ordane
