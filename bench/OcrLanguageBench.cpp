// Reading a picture in its own language, against reading it with the English model alone (as every
// picture was read before languages were told apart), on one thread with warm engines:
//   englishModelOnly/<picture>   one reading with the English model
//   inItsLanguage/<picture>      that reading, the language guess and, for a German or French
//                                picture, the second reading with its own model
//   languageGuess/<picture>      the guess alone, over what the English reading gave
// English pictures should cost the same both ways: the guess is the only extra step. After the
// runs, the resident memory with the English engine alone and with a German one as well.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "OrdanePlatform/FileSystem/FileSystem.hpp"
#include "OrdanePlatform/Images/ImageReader.hpp"
#include "OrdanePlatform/Ocr/TextRecognizer.hpp"
#include "OrdaneRecognition/Extraction/LanguageAwareOCR.hpp"
#include "OrdaneRecognition/Kinds/RecognitionEngine.hpp"
#include "Support/DocumentFixtures.hpp"

using namespace ordane;
using namespace ordane::testing;
using Layout = platform::TextRecognizer::Layout;

namespace {

// A 1280 x 800 window: a bold title and two columns of twelve lines.
Screenshot window(const std::string& title, const std::vector<std::string>& left,
                  const std::vector<std::string>& right) {
    Screenshot shot;
    shot.width = 1280;
    shot.height = 800;
    shot.lines.push_back({title, 420, 40, 34, true});
    for (int line = 0; line < 12; ++line) {
        shot.lines.push_back({left[line % left.size()], 60, 140.0 + line * 50, 20});
        shot.lines.push_back({right[line % right.size()], 700, 140.0 + line * 50, 20});
    }
    return shot;
}

const std::map<std::string, Screenshot>& screenshots() {
    static const std::map<std::string, Screenshot> shots{
        {"english", window("Quarterly account summary",
                           {"invoice payment delivery", "customer balance statement", "network storage calendar",
                            "project budget overview"},
                           {"reference schedule", "message receipt", "settings overview"})},
        {"german", window("Einstellungen für Größe",
                          {"Die Schriftgröße gilt für alle Fenster", "Änderungen werden übernommen",
                           "Bitte prüfen Sie die Straße", "Mit freundlichen Grüßen"},
                          {"Übersicht der Konten", "Schlüssel und Zugänge", "Größe der Dateien"})},
        {"french", window("Paramètres de sécurité",
                          {"Les élèves étudient à la bibliothèque", "Nous avons bien reçu votre lettre",
                           "Dernière mise à jour hier", "Veuillez agréer nos salutations"},
                          {"Préférences générales", "Sécurité et confidentialité", "Numéro de téléphone"})},
    };
    return shots;
}

const platform::RgbaImage& picture(const std::string& name) {
    static const std::map<std::string, platform::RgbaImage> pictures = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "ordane-ocrlanguagebench-XXXXXX").string();
        if (!::mkdtemp(folder.data())) throw std::runtime_error("no temporary folder");
        std::map<std::string, platform::RgbaImage> read;
        for (const auto& [shotName, shot] : screenshots()) {
            const std::string path = folder + "/" + shotName + ".png";
            writeScreenshotPng(path, shot);
            read.emplace(shotName, *platform::ImageReader::read(path));
        }
        platform::FileSystem::real()->removeTree(folder);
        return read;
    }();
    return pictures.at(name);
}

std::string englishText(const std::string& name) {
    const auto lines = platform::TextRecognizer::recognize(picture(name), Layout::sparseText, platform::Deadline());
    std::string text;
    for (const auto& line : lines.value()) text += line.text + "\n";
    return text;
}

void englishModelOnly(benchmark::State& state, const std::string& name) {
    const platform::RgbaImage& image = picture(name);
    const platform::Deadline never;
    platform::TextRecognizer::recognize(image, Layout::sparseText, never);  // the engine is made untimed
    for (auto _ : state) benchmark::DoNotOptimize(platform::TextRecognizer::recognize(image, Layout::sparseText, never));
}

void inItsLanguage(benchmark::State& state, const std::string& name) {
    const platform::RgbaImage& image = picture(name);
    const platform::Deadline never;
    auto warm = LanguageAwareOCR::recognize(image, Layout::sparseText, never);
    state.SetLabel("read as " + (warm ? warm->language : std::string("nothing")));
    for (auto _ : state) benchmark::DoNotOptimize(LanguageAwareOCR::recognize(image, Layout::sparseText, never));
}

void languageGuess(benchmark::State& state, const std::string& name) {
    const std::string text = englishText(name);
    state.SetLabel(RecognitionEngine::dominantLanguage(text).value_or("none"));
    for (auto _ : state) benchmark::DoNotOptimize(RecognitionEngine::dominantLanguage(text));
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    platform::restartWithOneOpenMPThread(argv);
    for (const char* name : {"english", "german", "french"}) {
        benchmark::RegisterBenchmark((std::string("englishModelOnly/") + name).c_str(), englishModelOnly, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("inItsLanguage/") + name).c_str(), inItsLanguage, name)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("languageGuess/") + name).c_str(), languageGuess, name)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Memory first, while only the engines this measure makes exist.
    platform::TextRecognizer::recognize(picture("english"), Layout::sparseText, platform::Deadline());
    const double english = residentMegabytes();
    platform::TextRecognizer::recognize(picture("german"), Layout::sparseText, platform::Deadline(), "de");
    const double german = residentMegabytes();
    benchmark::RunSpecifiedBenchmarks();
    std::printf("resident memory: %.0f MB with the English engine, %.0f MB with a German one as well (+%.0f MB)\n",
                english, german, german - english);
    benchmark::Shutdown();
    return 0;
}
