#include "Support/RecognitionHome.hpp"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "OrdaneCore/Scan/ScanEngine.hpp"
#include "OrdaneCore/Scan/ScanRules.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/SeededRandom.hpp"

namespace ordane::testing {

namespace fs = std::filesystem;

namespace {

void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void writePdf(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    writeTextPdf(path, {linesOf(text)});
}

void writeScanned(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    writeScannedPdf(path, {linesOf(text)});
}

void writeWord(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    writeDocx(path, linesOf(text));
}

std::string recipe(const std::string& name, const std::string& main, int minutes, int servings) {
    return name + "\nServings: " + std::to_string(servings) + "   Prep time: 20 min   Cook time: " +
           std::to_string(minutes) +
           " min\nIngredients\n250 g plain flour\n150 g butter\n120 g caster sugar\n2 eggs\n300 g " + main +
           "\n1 tsp baking powder\n100 ml milk\nA pinch of salt\nMethod\n1. Preheat the oven to 180°C and line a "
           "tin with baking paper.\n2. Rub the butter into the flour until it looks like breadcrumbs.\n3. Stir in "
           "the sugar, the baking powder and the salt.\n4. Whisk the eggs with the milk and fold them in.\n5. Fold "
           "in the " + main + " gently.\n6. Bake for " + std::to_string(minutes) +
           " minutes until golden and a skewer comes out clean.\n7. Leave to cool in the tin for 10 minutes.\n"
           "Tip: the " + main + " can be swapped for any seasonal fruit.\nStorage\nKeeps for three days in an "
           "airtight tin at room temperature, or wrap it well and freeze it for up to a month.\nServing "
           "suggestions\nServe warm with custard, cream or a scoop of vanilla ice cream, or cold with a cup of "
           "tea. A dusting of icing sugar makes it look finished.\nVariations\nUse brown sugar for a deeper "
           "caramel flavour, add a handful of chopped nuts with the " + main +
           ", or stir a teaspoon of cinnamon into the flour.\n";
}

std::string taxForm(int year, const std::string& form, const std::string& payer, const std::string& amount) {
    return "Form " + form + " " + std::to_string(year) + "\nTax year " + std::to_string(year) +
           " - Department of the Treasury - Internal Revenue Service\nPayer: " + payer +
           "\nPayer's TIN: 12-3456789\nRecipient: Ann Lee\nRecipient's TIN: XXX-XX-4821\n1 Wages, tips, other "
           "compensation: " + amount + "\n2 Federal income tax withheld: $4,120.40\n3 Social security wages: " +
           amount + "\n4 Social security tax withheld: $2,210.10\nCopy B - To Be Filed With Recipient's FEDERAL "
           "Tax Return\nThis information is being furnished to the Internal Revenue Service.\nKeep this form "
           "for your tax records. Taxable income must be reported on your tax return.\n";
}

std::string statement(const std::string& month, int monthNumber, const std::string& opening,
                      const std::string& closing) {
    const std::string mm = (monthNumber < 10 ? "0" : "") + std::to_string(monthNumber);
    return "Riverbank Everyday Checking\nStatement period: " + month + " 1 - " + month + " 28, 2024\n"
           "Account number: ****6621\nAnn Lee, 14 Birch Lane, Springfield\nAccount summary\nBeginning balance " +
           opening + "\nDeposits and additions $4,100.00\nWithdrawals and subtractions $2,870.12\nEnding balance " +
           closing + "\nTransaction history\n" + mm + "/04/2024 Direct deposit ACME PAYROLL 2,050.00\n" + mm +
           "/11/2024 Card purchase GROCERY MART 86.20\n" + mm + "/18/2024 Direct deposit ACME PAYROLL 2,050.00\n" +
           mm + "/21/2024 Online transfer to savings 500.00\n" + mm +
           "/25/2024 Card purchase CITY POWER 120.45\nOverdraft fees this period $0.00\nInterest earned this "
           "period $0.41\n";
}

std::string resume(bool revised) {
    return std::string("Ann Lee\nann.lee@example.com | (555) 201-7788\nSummary\nProduct designer with ") +
           (revised ? "nine" : "eight") +
           " years of experience in user research, prototyping and design systems.\nExperience\nSenior "
           "Designer, Brightline Studio 2019 – Present\nLed the redesign of the customer portal and mentored "
           "three designers.\nDesigner, Oakwood Media 2015 – 2019\nDesigned mobile apps for regional "
           "newspapers.\nEducation\nBFA, Rhode Island School of Design 2011 – 2015\nSkills\nFigma, user "
           "research, prototyping, accessibility" + (revised ? ", workshop facilitation" : "") +
           "\nReferences available on request.\n";
}

const char* const leaseText =
    "RESIDENTIAL LEASE AGREEMENT\nThis Lease is made on June 1, 2024 between\nCarla Diaz (the Landlord)\n"
    "and Ann Lee (the Tenant).\nSection 1. Term. The lease runs for twelve months.\nSection 2. Rent. The Tenant "
    "shall pay 1,450 each month.\nSection 3. Governing law. The laws of the State\nof Oregon apply to this "
    "agreement.\nSigned by the Landlord and the Tenant.";

}  // namespace

void writeRecognitionHome(const std::string& home) {
    const std::string recipes = home + "/Documents/Recipes/";
    const std::pair<const char*, const char*> cakes[] = {
        {"Apple Crumble", "apples"}, {"Blueberry Muffins", "blueberries"}, {"Cherry Clafoutis", "cherries"},
        {"Plum Cake", "plums"},      {"Pear Tart", "pears"},               {"Rhubarb Sponge", "rhubarb"},
    };
    int minutes = 30;
    for (const auto& [name, fruit] : cakes) writeText(recipes + name + ".txt", recipe(name, fruit, minutes += 5, 8));
    writeText(home + "/Downloads/Banana Bread.txt", recipe("Banana Bread", "bananas", 55, 10));

    const std::string taxes = home + "/Documents/Taxes/";
    writePdf(taxes + "W-2 2019.pdf", taxForm(2019, "W-2 Wage and Tax Statement", "Acme Corporation", "$52,100.00"));
    writePdf(taxes + "W-2 2020.pdf", taxForm(2020, "W-2 Wage and Tax Statement", "Acme Corporation", "$54,300.00"));
    writePdf(taxes + "W-2 2021.pdf", taxForm(2021, "W-2 Wage and Tax Statement", "Acme Corporation", "$56,800.00"));
    writePdf(taxes + "W-2 2022.pdf", taxForm(2022, "W-2 Wage and Tax Statement", "Brightline Studio", "$61,000.00"));
    writePdf(taxes + "W-2 2023.pdf", taxForm(2023, "W-2 Wage and Tax Statement", "Brightline Studio", "$64,250.00"));

    const std::tuple<const char*, int, const char*, const char*> months[] = {
        {"January", 1, "$3,204.55", "$4,434.43"},
        {"February", 2, "$4,434.43", "$5,664.31"},
        {"March", 3, "$5,664.31", "$6,894.19"},
    };
    for (const auto& [month, number, opening, closing] : months) {
        writePdf(home + "/Downloads/Checking Statement 2024-0" + std::to_string(number) + ".pdf",
                 statement(month, number, opening, closing));
    }

    writeWord(home + "/Desktop/Resume Ann Lee.docx", resume(false));
    writeWord(home + "/Desktop/Resume Ann Lee v2.docx", resume(true));

    Screenshot receipt;
    receipt.lines = {{"Harbor Cafe", 420, 80, 56, true},     {"Order #4471", 100, 220, 30},
                     {"Flat white   $4.50", 100, 280, 30},   {"Almond croissant   $3.75", 100, 330, 30},
                     {"Total   $8.25", 100, 400, 30, true},  {"Paid with card", 100, 460, 30}};
    fs::create_directories(home + "/Desktop");
    writeScreenshotPng(home + "/Desktop/Screenshot 2024-03-07 at 10.15.22.png", receipt);
    writeScreenshotPng(home + "/Desktop/Screenshot 2024-05-01 at 09.00.00.png", Screenshot{});

    writeScanned(home + "/Downloads/Lease scan.pdf", leaseText);
    std::string damaged = "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >>\n";
    damaged.resize(4096, '\x7f');
    writeText(home + "/Downloads/damaged.pdf", damaged);
    writeText(home + "/Downloads/short.txt", "Remember the milk.\n");
    writeText(home + "/Documents/Code/package.json", "{\"name\": \"code\"}\n");
    writeText(home + "/Documents/Code/notes.txt", recipe("Project notes", "ideas", 10, 1));
}

void writeLargeRecognitionHome(const std::string& home, size_t documents, size_t screenshots) {
    SeededRandom random{0x5EED5EED5EEDull};
    const std::vector<std::string> folders = {"Documents/Work", "Documents/Home", "Documents/Recipes",
                                              "Downloads", "Desktop", "Documents/Archive/2022"};
    const std::vector<std::string> fruits = {"apples", "pears", "plums", "cherries", "figs", "quinces"};
    for (size_t i = 0; i < documents; ++i) {
        const std::string base = home + "/" + random.pick(folders) + "/doc-" + std::to_string(i);
        const int year = 2015 + static_cast<int>(random.below(10));
        const int month = 1 + static_cast<int>(random.below(12));
        std::string text;
        switch (random.below(4)) {
            case 0: text = recipe("Recipe " + std::to_string(i), random.pick(fruits), 20 + int(random.below(40)), 6); break;
            case 1: text = taxForm(year, "1099-INT Interest Income", "Bank " + std::to_string(i % 17), "$1,2" + std::to_string(i % 10) + "0.00"); break;
            case 2: text = statement("March", month, "$1,000.00", "$" + std::to_string(1000 + i) + ".00"); break;
            default: text = resume(i % 2 == 0) + "Reference number " + std::to_string(i) + "\n"; break;
        }
        // Long enough to be read: the pipeline leaves files under 1,024 bytes alone.
        text += "Notes\n";
        while (text.size() < 1100) {
            text += "Filed on " + std::to_string(year) + "-" + std::to_string(month) +
                    "-01 with the other papers of the household. Kept as received, checked once, and to be "
                    "looked at again at the end of the year together with the related letters.\n";
        }
        switch (i % 20) {
            case 0: case 1: case 2: case 3: case 4: case 5: writePdf(base + ".pdf", text); break;
            case 6: if (i % 40 == 6) { writeScanned(base + ".pdf", text); break; } [[fallthrough]];
            case 7: case 8: case 9: writeWord(base + ".docx", text); break;
            case 10: case 11: writeText(base + ".rtf", rtfDocument(linesOf(text))); break;
            case 12: case 13: case 14: case 15: writeText(base + ".txt", text); break;
            default: writeText(base + ".md", "# " + text); break;
        }
    }
    for (size_t i = 0; i < screenshots; ++i) {
        Screenshot shot;
        shot.width = 800;
        shot.height = 500;
        shot.lines = {{"Corner Bakery", 260, 40, 44, true},
                      {"Order #" + std::to_string(1000 + i), 60, 140, 28},
                      {"Sourdough loaf   $5.50", 60, 200, 28},
                      {"Total   $" + std::to_string(5 + i % 90) + ".99", 60, 260, 28, true}};
        const std::string day = std::to_string(10 + i % 18);
        fs::create_directories(home + "/Pictures/Screenshots");
        writeScreenshotPng(home + "/Pictures/Screenshots/Screenshot 2024-04-" + day + " at 10." + std::to_string(i) + ".png", shot);
    }
}

std::vector<FileRecord> scanRecords(const std::string& home) {
    URL homeURL = URL::fileURL(home, true);
    ScanStream stream = ScanEngine::scan({homeURL}, ScanRules::standard(homeURL), homeURL);
    std::vector<FileRecord> records;
    while (auto event = stream.next()) {
        if (auto* record = std::get_if<FileRecord>(&event->value)) records.push_back(std::move(*record));
    }
    return records;
}

}  // namespace ordane::testing
