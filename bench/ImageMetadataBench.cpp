// Reading the metadata of hostile pictures: PNGs just within what the reader takes of a file, made
// of XMP packets of one description with thousands of attributes and children. Every picture of a
// scan whose name doesn't say it is a screenshot is read so; any file this size should take a few
// milliseconds.
#include <benchmark/benchmark.h>

#include <string>

#include "OrdanePlatform/Metadata/ImageMetadataReader.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using namespace ordane;
using namespace ordane::testing;

namespace {

// One description with this many attributes and children named with a prefix no scope declares.
std::string hostilePacket(int attributes, int children) {
    std::string packet =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description";
    for (int i = 0; i < attributes; ++i) packet += " a=\"\"";
    packet += ">";
    for (int i = 0; i < children; ++i) packet += "<d:title/>";
    return packet + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// As many copies of the chunk as fit in the cap after the header and before the image data; the
// count.
int writePngOf(const std::string& path, const std::string& chunk) {
    const std::string png = blankPng(64, 48);
    std::string chunks;
    int count = 0;
    for (; png.size() + chunks.size() + chunk.size() <= platform::ImageMetadataReader::readCap - 1024; ++count) {
        chunks += chunk;
    }
    writeFile(path, png.substr(0, 33) + chunks + png.substr(33));
    return count;
}

void readPng(benchmark::State& state, const std::string& chunk) {
    TempDir dir;
    const std::string path = dir / "hostile.png";
    const int packets = writePngOf(path, chunk);
    for (auto _ : state) benchmark::DoNotOptimize(platform::ImageMetadataReader::read(path));
    state.counters["packets"] = packets;
    state.counters["KB"] = static_cast<double>(readFile(path).size()) / 1000;
}

// Compressed packets of about 53 KB each, as many as fit.
void readCompressedPackets(benchmark::State& state) {
    readPng(state, pngCompressedInternationalText("XML:com.adobe.xmp", hostilePacket(6'500, 2'030)));
}
BENCHMARK(readCompressedPackets)->Unit(benchmark::kMillisecond);

// One plain packet that fills the file.
void readOnePlainPacket(benchmark::State& state) {
    readPng(state, pngInternationalText("XML:com.adobe.xmp", hostilePacket(24'000, 8'000)));
}
BENCHMARK(readOnePlainPacket)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
