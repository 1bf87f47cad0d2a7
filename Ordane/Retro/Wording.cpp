#include "Ordane/Retro/Wording.hpp"

#include <QLocale>

#include "OrdanePlatform/Format/ByteCountFormatter.hpp"

namespace ordane::retro {

QString grouped(int64_t count) { return QLocale::system().toString(qlonglong(count)); }

QString counted(int64_t count, const QString& noun) {
    return grouped(count) + QLatin1Char(' ') + noun + (count == 1 ? QString() : QStringLiteral("s"));
}

QString sizeText(int64_t bytes) { return QString::fromStdString(platform::ByteCountFormatter::format(bytes)); }

}  // namespace ordane::retro
