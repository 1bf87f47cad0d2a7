// Writes a home folder of generated files that looks lived in: documents of a few kinds, screenshots,
// duplicates, installers, an unpacked archive, a software project and old files. Every file is made
// here; ages are set relative to today so the same findings come up whenever it runs.
//
//   ordane-demo-home [--small] FOLDER
//
// --small writes the few files the CI check needs, without the large sparse image and the scanned PDF.

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Support/DocumentFixtures.hpp"

namespace {

namespace fs = std::filesystem;
using namespace ordane::testing;

constexpr int64_t day = 86400;

class DemoHome {
public:
    explicit DemoHome(fs::path root) : root_(std::move(root)) {}

    // The path of a file below the home, its folder made.
    std::string at(const std::string& relative) const {
        fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        return path.string();
    }

    void text(const std::string& relative, const std::string& contents, int daysOld = 0) {
        std::ofstream out(at(relative), std::ios::binary);
        out << contents;
        if (!out) throw std::runtime_error("cannot write " + relative);
        out.close();
        age(relative, daysOld);
    }

    // A file of `size` bytes that takes almost no room on disk.
    void sparse(const std::string& relative, int64_t size, int daysOld) {
        std::string path = at(relative);
        { std::ofstream create(path, std::ios::binary); }
        if (::truncate(path.c_str(), size) != 0) throw std::runtime_error("cannot size " + relative);
        age(relative, daysOld);
    }

    // Sets the last change (and access) `daysOld` days back from now.
    void age(const std::string& relative, int daysOld) const {
        if (daysOld <= 0) return;
        struct timeval times[2];
        times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - daysOld * day;
        times[0].tv_usec = times[1].tv_usec = 0;
        if (::utimes((root_ / relative).c_str(), times) != 0) throw std::runtime_error("cannot age " + relative);
    }

    void copy(const std::string& from, const std::string& to, int daysOld) {
        fs::copy_file(root_ / from, at(to), fs::copy_options::overwrite_existing);
        age(to, daysOld);
    }

private:
    fs::path root_;
};

std::vector<PageLines> invoice(const std::string& month, const std::string& number, const std::string& amount) {
    return {{"Northwind Hosting Ltd.", "12 Harbour Road, Bristol BS1 4QA", "", "INVOICE " + number,
             "Invoice date: " + month, "Billed to: Sam Carter", "", "Description                 Amount",
             "Managed hosting, monthly plan   " + amount, "VAT 20%                         included", "",
             "Total due: " + amount, "Payment terms: 14 days. Thank you for your business."}};
}

Screenshot screenshotOf(std::vector<std::string> lines) {
    Screenshot shot;
    shot.width = 900;
    shot.height = 560;
    double y = 40;
    bool first = true;
    for (std::string& line : lines) {
        shot.lines.push_back(PlacedText{std::move(line), 40, y, first ? 34.0 : 24.0, first});
        y += first ? 70 : 44;
        first = false;
    }
    return shot;
}

void writeSmall(DemoHome& home) {
    // Loose documents on the Desktop, old enough to be filed.
    writeTextPdf(home.at("Desktop/Invoice Northwind 2024-04.pdf"), invoice("April 2024", "NW-2404", "£84.00"));
    home.age("Desktop/Invoice Northwind 2024-04.pdf", 60);
    writeDocx(home.at("Desktop/Letter to the landlord.docx"),
              {"Dear Ms Patel,", "I am writing about the boiler in flat 3, which has not worked since Monday.",
               "Could you arrange a visit this week?", "Kind regards,\nSam Carter"},
              DocxProperties{"Letter to the landlord", "Sam Carter", ""});
    home.age("Desktop/Letter to the landlord.docx", 45);
    // An old screenshot, and a recent one.
    writeScreenshotPng(home.at("Desktop/Screenshot 2024-03-07 at 10.15.22.png"),
                       screenshotOf({"Booking confirmed", "Flight BA 2490 London to Lisbon", "Passenger: Sam Carter",
                                     "Departure 14 June, 07:35"}));
    home.age("Desktop/Screenshot 2024-03-07 at 10.15.22.png", 200);
    writeScreenshotPng(home.at("Desktop/Screenshot 2026-01-02 at 09.00.10.png"),
                       screenshotOf({"Weekly planning", "Review the quarterly budget", "Call the plumber"}));
    // Duplicates: the same photo twice.
    writeScreenshotJpeg(home.at("Pictures/Lisbon harbour.jpg"), screenshotOf({"Lisbon", "Harbour at dusk"}));
    home.age("Pictures/Lisbon harbour.jpg", 300);
    home.copy("Pictures/Lisbon harbour.jpg", "Downloads/Lisbon harbour (1).jpg", 20);
    // An installer and an archive that was already unpacked.
    home.text("Downloads/phototool_3.2_amd64.deb", std::string(64 * 1024, 'x'), 30);
    writeZip(home.at("Downloads/icons.zip"), {{"icons/readme.txt", "Icon set, version 2"}});
    home.age("Downloads/icons.zip", 40);
    home.text("Downloads/icons/readme.txt", "Icon set, version 2", 40);
    // Writing of one's own in Documents, which stays put.
    home.text("Documents/Notes/Reading list.txt", "Books to read this year:\n- The Sea Around Us\n- Middlemarch\n", 90);
}

void writeFull(DemoHome& home) {
    writeSmall(home);
    // A filed series of invoices, and one more copy of a loose one in Downloads.
    for (const auto& [month, number] : std::vector<std::pair<std::string, std::string>>{
             {"January 2024", "NW-2401"}, {"February 2024", "NW-2402"}, {"March 2024", "NW-2403"}}) {
        std::string name = "Documents/Invoices/Invoice Northwind " + number + ".pdf";
        writeTextPdf(home.at(name), invoice(month, number, "£84.00"));
        home.age(name, 120);
    }
    home.copy("Documents/Invoices/Invoice Northwind NW-2403.pdf", "Downloads/Invoice Northwind NW-2403.pdf", 90);
    // A scanned receipt: a picture of text, no text layer.
    writeScannedPdf(home.at("Downloads/Scan 2025-11-02.pdf"),
                    {{"GREEN LEAF GROCERS", "2 November 2025", "Apples 1kg        2.40", "Bread             1.95",
                      "Coffee beans      7.50", "TOTAL            11.85", "Paid by card. Thank you!"}});
    home.age("Downloads/Scan 2025-11-02.pdf", 35);
    // Tax documents already filed by year.
    for (int year : {2022, 2023}) {
        std::string name = "Documents/Taxes/" + std::to_string(year) + "/Tax return " + std::to_string(year) + ".pdf";
        writeTextPdf(home.at(name), {{"Self Assessment tax return " + std::to_string(year),
                                      "Tax year 6 April " + std::to_string(year) + " to 5 April " +
                                          std::to_string(year + 1),
                                      "Name: Sam Carter", "Unique Taxpayer Reference: 12345 67890",
                                      "Total income: £41,200", "Tax due: £6,180"}});
        home.age(name, 400);
    }
    home.text("Documents/Meeting notes.rtf",
              rtfDocument({"Project kickoff, 3 February", "Attendees: Sam, Priya, Tomás",
                           "Decisions: ship the beta in March; weekly check-ins on Thursday."}),
              50);
    // More screenshots, some of them old.
    writeScreenshotPng(home.at("Pictures/Screenshots/Screenshot 2023-09-12 at 18.40.02.png"),
                       screenshotOf({"Order #48213 shipped", "Estimated delivery: Friday", "Tracking: RM 4471 9920 GB"}));
    home.age("Pictures/Screenshots/Screenshot 2023-09-12 at 18.40.02.png", 700);
    writeScreenshotPng(home.at("Desktop/Screen Shot 2022-06-30 at 12.01.33.png"),
                       screenshotOf({"Error 502", "Bad gateway", "The server did not answer in time."}));
    home.age("Desktop/Screen Shot 2022-06-30 at 12.01.33.png", 900);
    // A software project with its rebuildable dependencies.
    home.text("Documents/Projects/weather-app/package.json",
              "{\n  \"name\": \"weather-app\",\n  \"version\": \"0.3.0\",\n  \"dependencies\": {\"left-pad\": \"1.3.0\"}\n}\n", 80);
    home.text("Documents/Projects/weather-app/src/index.js", "export function forecast(city) {\n  return fetchForecast(city);\n}\n", 80);
    home.text("Documents/Projects/weather-app/node_modules/left-pad/package.json", "{\"name\": \"left-pad\", \"version\": \"1.3.0\"}\n", 80);
    home.text("Documents/Projects/weather-app/node_modules/left-pad/index.js",
              "module.exports = function leftPad(text, length) { return String(text).padStart(length); };\n" +
                  std::string(8000, ' '),
              80);
    // Old things nobody touched in years, and one very large disc image.
    home.text("Downloads/conference-agenda-2021.txt", "Day 1: keynotes\nDay 2: workshops\n", 1300);
    home.text("Desktop/old budget.csv", "month,amount\nJan,1200\nFeb,1150\n", 1000);
    home.sparse("Downloads/debian-live-12-amd64.iso", 640'000'000, 70);
    home.text("Music/Playlists/Road trip.m3u", "#EXTM3U\nSongs/01 Open Road.mp3\n", 200);
}

}  // namespace

int main(int argc, char** argv) {
    bool small = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--small") == 0) {
            small = true;
        } else if (folder.empty()) {
            folder = argv[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty()) {
        std::cerr << "usage: ordane-demo-home [--small] FOLDER\n";
        return 2;
    }
    try {
        fs::create_directories(folder);
        DemoHome home(fs::absolute(folder));
        for (const char* standard : {"Desktop", "Documents", "Downloads", "Videos", "Music", "Pictures"}) {
            fs::create_directories(fs::path(folder) / standard);
        }
        // As xdg-user-dirs writes it on a fresh Debian home.
        home.text(".config/user-dirs.dirs",
                  "# This file is written by xdg-user-dirs-update\n"
                  "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                  "XDG_TEMPLATES_DIR=\"$HOME/Templates\"\nXDG_PUBLICSHARE_DIR=\"$HOME/Public\"\n"
                  "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\nXDG_MUSIC_DIR=\"$HOME/Music\"\n"
                  "XDG_PICTURES_DIR=\"$HOME/Pictures\"\nXDG_VIDEOS_DIR=\"$HOME/Videos\"\n");
        if (small) {
            writeSmall(home);
        } else {
            writeFull(home);
        }
    } catch (const std::exception& error) {
        std::cerr << "ordane-demo-home: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
