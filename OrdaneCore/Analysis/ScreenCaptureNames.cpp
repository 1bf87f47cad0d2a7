#include "OrdaneCore/Analysis/ScreenCaptureNames.hpp"

namespace ordane {

namespace {

using Kind = ScreenCaptureNames::Kind;
constexpr Kind shot = Kind::screenshot;
constexpr Kind recording = Kind::screenRecording;

struct DefaultName {
    Kind kind;
    std::string_view shape;
};

// Each default name up to its extension. In a shape %Y stands for four digits, %m %d %H %M %S for
// two, %N for a number of any length, %b for the end of a word (no letter follows); every other
// character is itself. A file name is a default
// name when it begins with a whole shape, so the counter a tool adds to keep names apart, and the
// extension, may follow.
//
// The words are the tools' own, from their message catalogues: GNOME Shell's "Screenshot from %s"
// (%s being "%Y-%m-%d %H-%M-%S") and "Screencast from %d %t.webm" (%d "%Y-%m-%d", %t "%H-%M-%S"),
// gnome-screenshot's "Screenshot from %s.%s" (the same time stamp), xfce4-screenshooter's
// "Screenshot" followed by "_%Y-%m-%d_%H-%M-%S". A language missing a name has none of its own
// there, and the tool writes the English one.
constexpr DefaultName defaultNames[] = {
    // English, and the names of the other desktops' tools: plain words, whatever else follows.
    // Spectacle's "Screenshot_%Y%m%d_%H%M%S" and "Screencast_…" and the English names of GNOME
    // ("Screencast from", later "Screencast From") and Xfce begin with one of them; "Screencasting
    // notes" is no recording.
    {shot, "Screenshot"},
    {shot, "Screen Shot"},
    {shot, "CleanShot"},
    {recording, "Screen Recording"},
    {recording, "Screencast%b"},
    {shot, "%Y%m%d_%Hh%Mm%Ss_grim"},
    {shot, "%Y-%m-%d-%H%M%S_%Nx%N_scrot"},
    // French
    {shot, "Capture d’écran du %Y-%m-%d %H-%M-%S"},
    {shot, "Capture d’écran_%Y-%m-%d_%H-%M-%S"},
    {recording, "Capture vidéo du %Y-%m-%d %H-%M-%S"},
    // German
    {shot, "Bildschirmfoto vom %Y-%m-%d %H-%M-%S"},
    {shot, "Bildschirmfoto_%Y-%m-%d_%H-%M-%S"},
    {recording, "Bildschirmaufzeichnung vom %Y-%m-%d, %H-%M-%S"},
    // Spanish
    {shot, "Captura desde %Y-%m-%d %H-%M-%S"},
    {shot, "Captura de pantalla de %Y-%m-%d %H-%M-%S"},
    {shot, "Captura de pantalla_%Y-%m-%d_%H-%M-%S"},
    {recording, "Grabación de pantalla desde %Y-%m-%d %H-%M-%S"},
    // Italian
    {shot, "Schermata del %Y-%m-%d %H-%M-%S"},
    {shot, "Istantanea_%Y-%m-%d_%H-%M-%S"},
    {recording, "Video del %Y-%m-%d %H-%M-%S"},
    // Portuguese
    {shot, "Captura de ecrã de %Y-%m-%d %H-%M-%S"},
    {shot, "Captura de ecrã_%Y-%m-%d_%H-%M-%S"},
    {recording, "Gravação de ecrã a partir de %Y-%m-%d %H-%M-%S"},
    // Brazilian Portuguese
    {shot, "Captura de tela de %Y-%m-%d %H-%M-%S"},
    {shot, "Captura de tela_%Y-%m-%d_%H-%M-%S"},
    {recording, "Gravação de tela de %Y-%m-%d %H-%M-%S"},
    // Dutch
    {shot, "Schermafdruk van %Y-%m-%d %H-%M-%S"},
    {shot, "Schermafdruk_%Y-%m-%d_%H-%M-%S"},
    {recording, "Schermopname van %Y-%m-%d %H-%M-%S"},
    // Swedish
    {shot, "Skärmbild från %Y-%m-%d %H-%M-%S"},
    {shot, "Skärmbild_%Y-%m-%d_%H-%M-%S"},
    {recording, "Skärminspelning från %Y-%m-%d %H-%M-%S"},
    // Norwegian Bokmål and Nynorsk
    {shot, "Skjermbilde fra %Y-%m-%d %H-%M-%S"},
    {shot, "Skjermbilde_%Y-%m-%d_%H-%M-%S"},
    {shot, "Skjermbilete_%Y-%m-%d_%H-%M-%S"},
    // Danish
    {shot, "Skærmbillede fra %Y-%m-%d %H-%M-%S"},
    {shot, "Skærmbillede_%Y-%m-%d_%H-%M-%S"},
    {recording, "Skærmoptagelse fra %Y-%m-%d %H-%M-%S"},
    // Turkish
    {shot, "Ekran Görüntüsü - %Y-%m-%d %H-%M-%S"},
    {shot, "Ekran görüntüsü_%Y-%m-%d_%H-%M-%S"},
    {recording, "Ekran Kaydı - %Y-%m-%d %H-%M-%S"},
    // Polish
    {shot, "Zrzut ekranu z %Y-%m-%d %H-%M-%S"},
    {shot, "Przechwycenie obrazu ekranu_%Y-%m-%d_%H-%M-%S"},
    {recording, "Nagranie ekranu z %Y-%m-%d %H-%M-%S"},
};

constexpr bool wellFormed(std::string_view shape) {
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == '%' && (++i == shape.size() || std::string_view("YmdHMSNb").find(shape[i]) == std::string_view::npos)) {
            return false;
        }
    }
    return true;
}

constexpr bool allWellFormed() {
    for (const DefaultName& name : defaultNames) {
        if (!wellFormed(name.shape)) return false;
    }
    return true;
}
static_assert(allWellFormed(), "a shape has a field that is not %Y %m %d %H %M %S %N or %b");

bool isDigit(char c) { return c >= '0' && c <= '9'; }
// Any byte beyond ASCII counts as part of a letter: no tool writes one right after its word.
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || static_cast<unsigned char>(c) >= 0x80; }

bool beginsWithShape(std::string_view name, std::string_view shape) {
    size_t at = 0;
    for (size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] != '%') {
            if (at == name.size() || name[at] != shape[i]) return false;
            ++at;
            continue;
        }
        const char field = shape[++i];
        if (field == 'b') {
            if (at < name.size() && isLetter(name[at])) return false;
            continue;
        }
        const size_t width = field == 'Y' ? 4 : field == 'N' ? name.size() : 2;
        size_t digits = 0;
        while (digits < width && at + digits < name.size() && isDigit(name[at + digits])) ++digits;
        if (digits == 0 || (field != 'N' && digits != width)) return false;
        at += digits;
    }
    return true;
}

}  // namespace

std::optional<ScreenCaptureNames::Kind> ScreenCaptureNames::kindOf(std::string_view fileName) {
    for (const DefaultName& name : defaultNames) {
        if (beginsWithShape(fileName, name.shape)) return name.kind;
    }
    return std::nullopt;
}

}  // namespace ordane
