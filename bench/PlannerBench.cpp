// The filing planner over generated scans of loose files (names drawn from the patterns people and
// devices write, 5,000 existing folders): the whole plan at 10k, 50k and 100k files, to show it stays
// near linear, and each step at 100k files. The plan runs on the interface thread after every scan.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "OrdaneRecognition/Planning/OrganizePlanner.hpp"

using namespace ordane;

namespace {

constexpr int existingFolderCount = 5000;

const std::vector<std::string> words = {
    "invoice", "budget",  "report",   "meeting",  "notes",   "lesson",  "recipe",  "contract", "statement",
    "receipt", "trip",    "wedding",  "project",  "proposal", "minutes", "resume", "letter",   "lease",
    "manual",  "ticket",  "homework", "syllabus", "quote",   "payslip", "summary", "agenda",   "plan",
    "draft",   "essay",   "thesis",   "chapter",  "slides",  "roadmap", "policy",  "claim",    "bill",
    "order",   "booking", "itinerary", "certificate", "transcript", "warranty", "estimate", "schedule",
};

struct Scan {
    std::vector<FileRecord> records;
    OrganizePlanner::InsightMap insights;
    std::vector<Finding> findings;
};

class ScanGenerator {
public:
    explicit ScanGenerator(unsigned seed) : random_(seed) {}

    Scan make(int looseFiles) {
        Scan scan;
        scan.records.reserve(static_cast<size_t>(looseFiles + existingFolderCount));
        // Existing folders, known to the planner only through the files inside them.
        for (int i = 0; i < existingFolderCount; ++i) {
            const std::string folder = i % 5 == 4 ? "Pictures/" + std::to_string(1990 + i % 40) + " " + pick() + " " + std::to_string(i)
                                                  : "Documents/" + capitalized(pick()) + "s " + std::to_string(i);
            add(scan, folder + "/kept.pdf", std::nullopt);
        }
        for (int i = 0; i < looseFiles; ++i) looseFile(scan, i);
        return scan;
    }

private:
    const std::string& pick() { return words[below(words.size())]; }
    size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
    static std::string capitalized(std::string word) {
        word[0] = static_cast<char>(word[0] - 'a' + 'A');
        return word;
    }
    std::string number(int digits) {
        std::string text = std::to_string(below(static_cast<size_t>(std::pow(10, digits))));
        return std::string(static_cast<size_t>(digits) - text.size(), '0') + text;
    }
    Date randomDate() { return Date::fromUnix(946684800.0 + static_cast<double>(below(24 * 365)) * 86400.0); }

    FileRecord& add(Scan& scan, const std::string& relative, std::optional<Date> created) {
        FileRecord record;
        record.setID(UUID::random());
        record.setURL(URL::fileURL("/home/bench/" + relative));
        record.setSize(static_cast<int64_t>(1000 + below(5'000'000)));
        record.setCreated(created);
        record.setModified(created);
        scan.records.push_back(std::move(record));
        return scan.records.back();
    }

    void looseFile(Scan& scan, int index) {
        static const char* places[] = {"Desktop", "Documents", "Documents", "Downloads", "Downloads/archive"};
        const size_t kind = below(100);
        if (kind < 25) {  // camera and phone pictures
            const char* prefix = below(2) ? "IMG_" : "PXL_";
            add(scan, std::string("Pictures/") + prefix + number(6) + ".jpg", randomDate());
        } else if (kind < 30) {
            add(scan, "Videos/VID_" + number(6) + ".mp4", randomDate());
        } else if (kind < 35) {
            add(scan, "Music/Track " + number(2) + " " + pick() + ".mp3", std::nullopt);
        } else if (kind < 40) {
            add(scan, std::string("Downloads/") + pick() + "-" + number(3) + ".zip", randomDate());
        } else {
            const std::string place = places[below(std::size(places))];
            std::string name;
            switch (below(5)) {
                case 0: name = capitalized(pick()) + " " + std::to_string(2015 + below(10)) + "-" + number(2); break;
                case 1: name = pick() + "_" + pick() + "_v" + std::to_string(below(9)); break;
                case 2: name = capitalized(pick()) + " " + pick() + " " + number(3); break;
                case 3: name = "Scan " + number(4); break;
                default: name = pick() + number(5); break;
            }
            const char* extensions[] = {".pdf", ".docx", ".txt", ".xlsx"};
            FileRecord& record = add(scan, place + "/" + name + extensions[below(4)], randomDate());
            describe(scan, record, index);
        }
    }

    // Recognition's view of some documents, and the analyzer's findings.
    void describe(Scan& scan, const FileRecord& record, int index) {
        const bool inDownloads = record.path().starts_with("/home/bench/Downloads/");
        if (index % 20 == 0) {
            ContentInsight& insight = scan.insights[record.url()];
            insight.url = record.url();
            insight.kind = static_cast<DocKind>(below(11));
            insight.suggestedFolder = URL::fileURL("/home/bench/Documents/" + capitalized(words[below(8)]) + "s " +
                                                       std::to_string(below(40) * 5),
                                                   true);
        } else if (index % 50 == 1) {
            ContentInsight& insight = scan.insights[record.url()];
            insight.url = record.url();
            insight.groupKey = "family|" + std::to_string(index / 200);  // families of about four
            if (index % 100 == 1) insight.title = "2023 " + capitalized(pick()) + " " + pick();
        }
        if (inDownloads || index % 10 == 0) {
            Finding finding;
            finding.id = UUID::random();
            finding.record = record;
            finding.category = inDownloads ? FindingCategory::organizeSuggestion : FindingCategory::oldFiles;
            if (inDownloads) {
                finding.suggestedDestination =
                    URL::fileURL("/home/bench/Documents/From Downloads/" + record.url().lastPathComponent());
            }
            scan.findings.push_back(std::move(finding));
        }
    }

    std::mt19937_64 random_;
};

struct Fixture {
    Scan scan;
    OrganizePlanner planner;
};

Fixture& fixture(int files) {
    static std::map<int, Fixture> made;
    auto found = made.find(files);
    if (found != made.end()) return found->second;
    Scan scan = ScanGenerator(42).make(files);
    const UserFolders folders(URL::fileURL("/home/bench", true));
    const URL home = URL::fileURL("/home/bench", true);
    OrganizePlanner planner(folders, OrganizeScope{folders, true}, ExistingFolders::fromScan(scan.records, {home}));
    return made.emplace(files, Fixture{std::move(scan), std::move(planner)}).first->second;
}

void WholePlan(benchmark::State& state) {
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    size_t folders = 0;
    for (auto _ : state) {
        auto outcome = f.planner.plan(f.scan.records, f.scan.insights, f.scan.findings);
        folders = outcome.proposal.folders.size();
        benchmark::DoNotOptimize(outcome);
    }
    state.counters["folders"] = static_cast<double>(folders);
    state.counters["existing"] = static_cast<double>(f.planner.existingDirectories().size());
}
BENCHMARK(WholePlan)->Arg(10'000)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void ExistingFoldersAndReuseIndex(benchmark::State& state) {
    Fixture& f = fixture(100'000);
    const UserFolders folders(URL::fileURL("/home/bench", true));
    for (auto _ : state) {
        OrganizePlanner planner(folders, OrganizeScope{folders, true},
                                ExistingFolders::fromScan(f.scan.records, {URL::fileURL("/home/bench", true)}));
        benchmark::DoNotOptimize(planner);
    }
}
BENCHMARK(ExistingFoldersAndReuseIndex)->Unit(benchmark::kMillisecond);

// Each step of one plan at 100k files, with the claims the earlier groupers left.
enum Step { candidatesAndGroups, suggestedFolders, families, sharedNames, mediaYears, fromDownloads };

void PlanStep(benchmark::State& state) {
    Fixture& f = fixture(100'000);
    const auto step = static_cast<Step>(state.range(0));
    const OrganizePlanner& planner = f.planner;
    const auto findingsByURL = OrganizePlanner::firstFindingByURL(f.scan.findings);
    const auto groups = OrganizePlanner::groups(planner.candidates(f.scan.records, findingsByURL), f.scan.insights);
    OrganizePlanner::Claimed before;
    auto run = [&](Step which, OrganizePlanner::Claimed& claimed) {
        switch (which) {
            case candidatesAndGroups:
                return OrganizePlanner::groups(planner.candidates(f.scan.records, findingsByURL), f.scan.insights).size();
            case suggestedFolders: return planner.suggestedFolderGroups(groups, f.scan.insights, claimed).size();
            case families: return planner.familyGroups(groups, f.scan.insights, claimed).size();
            case sharedNames: return planner.sharedNameGroups(groups, claimed).size();
            case mediaYears: return planner.mediaYearGroups(groups, claimed).size();
            case fromDownloads: return planner.fromDownloadsGroups(groups, findingsByURL, claimed).size();
        }
        return size_t{0};
    };
    for (int earlier = suggestedFolders; earlier < step; ++earlier) run(static_cast<Step>(earlier), before);
    size_t made = 0;
    for (auto _ : state) {
        state.PauseTiming();
        OrganizePlanner::Claimed claimed = before;
        state.ResumeTiming();
        made = run(step, claimed);
    }
    state.counters["made"] = static_cast<double>(made);
    static const char* names[] = {"candidates and groups", "suggested folders", "families", "shared names",
                                  "media by year", "From Downloads"};
    state.SetLabel(names[step]);
}
BENCHMARK(PlanStep)->DenseRange(candidatesAndGroups, fromDownloads)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
