// Writes a home folder of generated files that looks lived in: loose documents of several kinds, a
// folder of filed recipes, screenshots, duplicates, installers, an unpacked archive, a software
// project and old files. Every file is made here; ages are set relative to today so the same
// findings come up whenever it runs.
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

    void pdf(const std::string& relative, const std::vector<PageLines>& pages, int daysOld) {
        writeTextPdf(at(relative), pages);
        age(relative, daysOld);
    }

    void copy(const std::string& from, const std::string& to, int daysOld) {
        fs::copy_file(root_ / from, at(to), fs::copy_options::overwrite_existing);
        age(to, daysOld);
    }

private:
    fs::path root_;
};

// The documents below are written as their senders would write them, so that Ordane recognises each
// kind from its text alone: an invoice with its number line, a bank statement with its balances, a
// tax certificate with its year, the owner's CV, a boarding pass and recipes.

std::vector<PageLines> invoice(const std::string& date, const std::string& number, const std::string& net,
                               const std::string& vat, const std::string& total) {
    return {{"Northwind Hosting Ltd.", "12 Harbour Road, Bristol BS1 4QA", "VAT registration: GB 123 4567 89", "",
             "INVOICE", "Invoice No. " + number, "Invoice date: " + date, "",
             "Bill to: Sam Carter, 4 Clifton Terrace, Bristol BS8 1AB", "",
             "Description                          Amount", "Managed hosting, monthly plan        " + net,
             "Subtotal                             " + net, "VAT 20%                              " + vat,
             "Total: " + total, "", "Total due: " + total + " by bank transfer within 14 days.",
             "Payment terms: 14 days from the invoice date.", "Please quote the invoice number with your payment.",
             "Thank you for your business."}};
}

std::vector<PageLines> bankStatement() {
    return {{"Harbour Bank", "Current account statement", "", "Sam Carter", "4 Clifton Terrace, Bristol BS8 1AB", "",
             "Statement period: 1 May 2024 to 31 May 2024", "Account number: ****6621      Sort code: 20-45-77", "",
             "Account summary", "Previous balance                 £2,184.50",
             "Money in                         £3,460.00", "Money out                        £2,512.35",
             "New balance                      £3,132.15", "", "Date     Description                      Amount",
             "01 May   Direct debit NORTHWIND HOSTING        -84.00",
             "02 May   Salary deposit HARBOURSIDE DESIGN  +3,400.00",
             "07 May   Card payment GREEN LEAF GROCERS      -46.20",
             "12 May   Cash withdrawal CLIFTON                -60.00",
             "18 May   Standing order RENT               -1,650.00",
             "25 May   Transfer to savings                  -400.00",
             "28 May   Card payment CITY POWER             -272.15",
             "31 May   Interest earned                        +0.60", "",
             "Arranged overdraft limit: £500.00. No overdraft fees this period.",
             "Harbour Bank plc is authorised and regulated by the financial regulator."}};
}

std::vector<PageLines> taxCertificate() {
    return {{"Harbourside Design Studio Ltd.", "End of year certificate", "",
             "Tax year 6 April 2023 to 5 April 2024", "", "Employee: Sam Carter",
             "National Insurance number: QQ 12 34 56 C", "Employer PAYE reference: 123/HD45678",
             "Tax code at the end of the year: 1257L", "", "Pay and income tax details",
             "Wages and salary in this employment       £41,200.00",
             "Taxable income after allowances           £28,630.00",
             "Income tax withheld through PAYE           £5,726.00",
             "National Insurance contributions           £3,110.40", "",
             "Keep this certificate in a safe place. You will need it if you",
             "fill in a tax return or claim back tax you have overpaid."}};
}

std::vector<PageLines> boardingPass() {
    return {{"Seabird Air", "Boarding pass", "", "Passenger: CARTER/SAM MR", "Flight SB 2490   Friday 14 June 2024",
             "Route: BRS → LIS   Bristol to Lisbon", "Departure 07:35 from Terminal 1",
             "Arrival 10:40 local time", "", "Gate B12 (the gate closes at 07:05)", "Seat 14A   Cabin: Economy",
             "Fare: Saver, one cabin bag", "Confirmation code: K7QX2M", "E-ticket number: 125 2490 118 337", "",
             "Online check-in is complete. Show this boarding pass on your phone",
             "or on paper at security and at the gate."}};
}

// A CV as one paragraph per line; the owner of the demo home is Sam Carter.
std::vector<std::string> curriculumVitae() {
    return {"Sam Carter",
            "Web developer · Bristol · sam.carter@example.com · 07700 900123",
            "Summary",
            "Web developer with eight years of experience building fast, accessible websites for small "
            "businesses and charities.",
            "Experience",
            "Senior Developer, Harbourside Design Studio, 2019 – present",
            "Lead developer for client sites; introduced automated accessibility checks and mentored two juniors.",
            "Developer, Clifton Digital, 2016 – 2019",
            "Built booking and shop sites for local restaurants and venues.",
            "Education",
            "BSc Computer Science, University of the West Coast, 2012 – 2016",
            "Skills",
            "Proficient in JavaScript, TypeScript, HTML and CSS; user testing; web performance.",
            "Certifications",
            "Web accessibility specialist, 2021",
            "References available on request."};
}

struct Recipe {
    std::string name;
    std::string introduction;
    std::string timing;
    std::string equipment;
    std::vector<std::string> ingredients;
    std::vector<std::string> method;
    std::string note;
};

// Appends `text` broken at spaces into lines of at most `width` bytes, so that each line fits on the page.
void appendWrapped(std::vector<std::string>& lines, const std::string& text, size_t width = 64) {
    std::string line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
}

std::vector<std::string> recipeLines(const Recipe& recipe) {
    std::vector<std::string> lines{recipe.name};
    appendWrapped(lines, recipe.introduction);
    lines.push_back("");
    appendWrapped(lines, recipe.timing);
    appendWrapped(lines, recipe.equipment);
    lines.insert(lines.end(), {"", "Ingredients"});
    lines.insert(lines.end(), recipe.ingredients.begin(), recipe.ingredients.end());
    lines.insert(lines.end(), {"", "Method"});
    for (size_t step = 0; step < recipe.method.size(); ++step) {
        appendWrapped(lines, std::to_string(step + 1) + ". " + recipe.method[step]);
    }
    lines.push_back("");
    appendWrapped(lines, recipe.note);
    return lines;
}

// Baking recipes saved one to a page: the kind of folder a person keeps.
const std::vector<Recipe>& filedRecipes() {
    static const std::vector<Recipe> recipes{
        {"Apple crumble", "Gran's Sunday pudding, made with whatever apples the tree gave that year. Bramleys "
         "collapse into a soft purée; eating apples keep their shape and need less sugar.",
         "Serves 6. Prep time 20 minutes, cook time 40 minutes.",
         "Equipment: a deep baking dish of about 2 litres and a large mixing bowl.",
         {"6 cooking apples, peeled and sliced", "75 g caster sugar", "1 tsp ground cinnamon", "200 g plain flour",
          "100 g cold butter, diced", "75 g demerara sugar"},
         {"Preheat the oven to 180°C (160°C fan) and butter a deep baking dish.",
          "Stir the apples with the caster sugar and the cinnamon and spread them in the dish.",
          "Rub the butter into the flour with your fingertips until it looks like breadcrumbs.",
          "Stir in the demerara sugar and scatter the crumble over the apples.",
          "Bake for 40 minutes until golden and bubbling at the edges.",
          "Leave to stand for 5 minutes before serving."},
         "Serve warm with custard or cream. Keeps for two days in the fridge and reheats well."},
        {"Banana bread", "The answer to brown bananas in the fruit bowl. The riper the bananas, the sweeter and "
         "moister the loaf, so wait until the skins are almost black before you bake it.",
         "Makes one loaf, 10 slices. Prep time 15 minutes, cook time 60 minutes.",
         "Equipment: a 900 g loaf tin, baking paper, a fork for mashing and a skewer.",
         {"3 ripe bananas, mashed", "100 g soft butter", "150 g light brown sugar", "2 eggs",
          "250 g self-raising flour", "1 tsp baking powder", "A pinch of salt", "50 ml milk"},
         {"Preheat the oven to 170°C (150°C fan) and line a loaf tin with baking paper.",
          "Cream the butter and the sugar until pale, then whisk in the eggs one at a time.",
          "Stir in the mashed bananas and the milk.",
          "Fold in the flour, the baking powder and the salt until just combined.",
          "Pour into the tin and bake for 55 to 60 minutes, until a skewer comes out clean.",
          "Cool in the tin for 10 minutes, then turn out onto a rack."},
         "Wrapped well it keeps for four days, and slices freeze for up to a month."},
        {"Lemon drizzle cake", "A cake for birthdays at work: it travels well in its tin and everyone likes it. "
         "Prick the warm cake all over with a skewer so the lemon drizzle soaks right through.",
         "Serves 8. Prep time 20 minutes, cook time 45 minutes.",
         "Equipment: a 900 g loaf tin, baking paper, a zester and a skewer.",
         {"225 g soft butter", "225 g caster sugar", "4 eggs", "225 g self-raising flour", "Zest of 2 lemons",
          "For the drizzle: juice of 2 lemons and 85 g caster sugar"},
         {"Preheat the oven to 180°C (160°C fan) and line a loaf tin with baking paper.",
          "Cream the butter and the sugar until pale and fluffy.",
          "Whisk in the eggs one at a time, then fold in the flour and the lemon zest.",
          "Spoon into the tin and bake for 45 minutes, until a skewer comes out clean.",
          "Stir the lemon juice with the sugar and spoon it over the warm cake.",
          "Leave to cool in the tin so the drizzle sets into a crisp crust."},
         "Keeps for three days in an airtight tin at room temperature."},
        {"Scones", "Light, tall scones for a cream tea. Handle the dough as little as you can and press the "
         "cutter straight down without twisting it, so that the scones rise evenly in the oven.",
         "Makes 8. Prep time 15 minutes, cook time 12 minutes.",
         "Equipment: a baking tray, a 5 cm round cutter and a large mixing bowl.",
         {"350 g self-raising flour", "1 tsp baking powder", "A pinch of salt", "85 g cold butter, diced",
          "3 tbsp caster sugar", "175 ml milk", "1 tsp vanilla extract", "1 egg, beaten, to glaze"},
         {"Preheat the oven to 220°C (200°C fan) and put a baking tray inside to heat.",
          "Stir the flour, the baking powder and the salt together in a large bowl.",
          "Rub in the butter until it looks like fine breadcrumbs, then stir in the sugar.",
          "Warm the milk with the vanilla, pour it in and stir quickly with a knife to a soft dough.",
          "Pat the dough out 4 cm thick and stamp out rounds with a cutter.",
          "Brush with the beaten egg and bake for 10 to 12 minutes until risen and golden."},
         "Best on the day they are baked; serve with jam and clotted cream."},
        {"Oat and raisin cookies", "Chewy cookies for lunch boxes. Take them out of the oven while the middles "
         "still look a little underdone: they firm up as they cool on the trays.",
         "Makes 16. Prep time 15 minutes, cook time 12 minutes.",
         "Equipment: two baking trays, baking paper and a cooling rack.",
         {"125 g soft butter", "150 g light brown sugar", "1 egg", "1 tsp vanilla extract", "125 g plain flour",
          "1/2 tsp baking powder", "150 g rolled oats", "100 g raisins"},
         {"Preheat the oven to 180°C (160°C fan) and line two baking trays.",
          "Cream the butter and the sugar, then whisk in the egg and the vanilla.",
          "Stir in the flour, the baking powder, the oats and the raisins.",
          "Roll walnut-sized balls of dough and space them well apart on the trays.",
          "Bake for 10 to 12 minutes until golden at the edges but still soft in the middle.",
          "Leave on the trays for 5 minutes, then cool on a rack."},
         "Keeps for a week in an airtight tin; the dough freezes well in balls."},
        {"Victoria sponge", "The classic summer fete cake. Have the butter and the eggs at room temperature "
         "before you start, so that the mixture stays smooth and the sponges rise evenly.",
         "Serves 8. Prep time 25 minutes, cook time 25 minutes.",
         "Equipment: two 20 cm sandwich tins, baking paper and a cooling rack.",
         {"200 g soft butter", "200 g caster sugar", "4 eggs", "200 g self-raising flour", "1 tsp baking powder",
          "2 tbsp milk", "For the filling: 5 tbsp raspberry jam and 150 ml double cream, whipped"},
         {"Preheat the oven to 190°C (170°C fan) and line two 20 cm sandwich tins.",
          "Cream the butter and the sugar until pale, then whisk in the eggs one at a time.",
          "Fold in the flour and the baking powder, then stir in the milk.",
          "Divide between the tins and bake for 20 to 25 minutes until golden and springy.",
          "Cool in the tins for 5 minutes, then turn out onto a rack.",
          "Sandwich the cakes with the jam and the cream and dust the top with sugar."},
         "Best eaten on the day; keep it in the fridge once it is filled with cream."},
    };
    return recipes;
}

Recipe gingerbread() {
    return {"Sticky gingerbread",
            "A dark, treacly gingerbread from the back of a magazine, even better after a day or two in the tin. "
            "Line the tin well, because the syrup makes it very sticky.",
            "Serves 12. Prep time 20 minutes, cook time 45 minutes.",
            "Equipment: a 23 cm square baking tin, baking paper and a saucepan.",
            {"225 g butter", "225 g dark muscovado sugar", "225 g golden syrup", "2 eggs, beaten", "300 ml milk",
             "350 g plain flour", "1 tsp baking powder", "2 tsp ground ginger", "1 tsp ground cinnamon"},
            {"Preheat the oven to 170°C (150°C fan) and line a square baking tin.",
             "Melt the butter, the sugar and the syrup together over a low heat, then leave to cool a little.",
             "Stir the flour, the baking powder and the spices together in a large bowl.",
             "Whisk the eggs with the milk and stir them into the melted butter.",
             "Pour the wet mixture into the flour and stir until smooth, then pour into the tin.",
             "Bake for 45 minutes until risen and a skewer comes out clean, then cool in the tin."},
            "Wrapped well it gets stickier over a few days and keeps for a week."};
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
    // Loose documents on the Desktop and in Downloads, each recognisable from its text: Ordane files
    // them into a folder for their kind.
    home.pdf("Desktop/Invoice Northwind 2024-04.pdf",
             invoice("30 April 2024", "NW-2404", "£70.00", "£14.00", "£84.00"), 60);
    home.pdf("Downloads/Invoice Northwind 2024-05.pdf",
             invoice("31 May 2024", "NW-2405", "£70.00", "£14.00", "£84.00"), 35);
    home.pdf("Downloads/Statement May 2024.pdf", bankStatement(), 40);
    home.pdf("Downloads/End of year certificate 2024.pdf", taxCertificate(), 50);
    home.pdf("Downloads/Boarding pass BRS-LIS.pdf", boardingPass(), 25);
    writeDocx(home.at("Desktop/CV Sam Carter.docx"), curriculumVitae(), DocxProperties{"CV", "Sam Carter", ""});
    home.age("Desktop/CV Sam Carter.docx", 70);
    // Recipes already filed in a folder of their own, and one more downloaded that reads like them.
    for (const Recipe& recipe : filedRecipes()) {
        home.pdf("Documents/Recipes/" + recipe.name + ".pdf", {recipeLines(recipe)}, 150);
    }
    home.pdf("Downloads/Sticky gingerbread.pdf", {recipeLines(gingerbread())}, 45);
    // A letter has no folder of its own: it stays where it is.
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
    // A filed series of invoices, enough for Ordane to learn the folder, and one more copy of a filed
    // one in Downloads.
    for (const auto& [date, number] : std::vector<std::pair<std::string, std::string>>{
             {"30 November 2023", "NW-2311"}, {"31 December 2023", "NW-2312"}, {"31 January 2024", "NW-2401"},
             {"29 February 2024", "NW-2402"}, {"31 March 2024", "NW-2403"}}) {
        home.pdf("Documents/Invoices/Invoice Northwind " + number + ".pdf",
                 invoice(date, number, "£70.00", "£14.00", "£84.00"), 120);
    }
    home.copy("Documents/Invoices/Invoice Northwind NW-2403.pdf", "Downloads/Invoice Northwind NW-2403.pdf", 90);
    // A scanned receipt: a picture of text, no text layer.
    writeScannedPdf(home.at("Downloads/Scan 2025-11-02.pdf"),
                    {{"GREEN LEAF GROCERS", "RECEIPT", "2 November 2025   Order number 20311",
                      "Apples 1kg        £2.40", "Bread             £1.95", "Coffee beans      £7.50",
                      "Subtotal         £11.85", "TOTAL £11.85", "Paid by card.", "Thank you for your purchase!"}});
    home.age("Downloads/Scan 2025-11-02.pdf", 35);
    // Tax returns already filed under the year their tax year ends, as the year's certificate will be.
    for (int year : {2022, 2023}) {
        const std::string span = std::to_string(year) + "-" + std::to_string((year + 1) % 100);
        home.pdf("Documents/Taxes/" + std::to_string(year + 1) + "/Tax return " + span + ".pdf",
                 {{"Self Assessment tax return " + span,
                   "Tax year 6 April " + std::to_string(year) + " to 5 April " + std::to_string(year + 1),
                   "Name: Sam Carter", "Unique Taxpayer Reference: 12345 67890", "Total income: £41,200",
                   "Taxable income: £28,630", "Tax withheld through PAYE: £5,726", "Tax due: £0.00"}},
                 400);
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
        // The owner's name as set in Ordane's settings, so that the CV on the Desktop is recognised as theirs.
        home.text(".config/Ordane/settings.json",
                  "{\n  \"disabledFolders\" : [],\n  \"enabledExternalVolumes\" : [],\n"
                  "  \"ownerName\" : \"Sam Carter\"\n}\n");
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
