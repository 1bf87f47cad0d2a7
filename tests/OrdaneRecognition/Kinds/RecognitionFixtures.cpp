#include "RecognitionFixtures.hpp"

namespace ordane::fixtures {

const std::vector<KindDocument>& kindDocuments() {
    static const std::vector<KindDocument> documents{
        {DocKind::resume, "Maria Gomez CV.pdf",
         "Maria Gomez\nmaria.gomez@example.com | (555) 201-7788\nSummary\nProduct designer with eight years of "
         "experience. Proficient in Figma and user research.\nExperience\nSenior Designer, Brightline Studio "
         "2019 – Present\nDesigner, Oakwood Media 2015 – 2019\nEducation\nBFA, Rhode Island School of Design\n",
         [](Fingerprint& f) {
             f.structural.headingCount = 3;
             f.structural.dateRangeCount = 2;
             f.structural.contactInfoNearTop = true;
             f.entities.personNearTop = true;
             f.entities.emailCount = 1;
         }},
        {DocKind::taxDocument, "W-2 2023 Acme.pdf",
         "Form W-2 Wage and Tax Statement 2023\nEmployer identification number (EIN): 12-3456789\nEmployee's "
         "social security number: XXX-XX-4821\n1 Wages, tips, other compensation: $58,250.00\n2 Federal income "
         "tax withheld: $7,120.40\nCopy B - To Be Filed With Employee's FEDERAL Tax Return\n",
         [](Fingerprint& f) { f.entities.yearMentions = {1987, 2021, 2023}; }},
        {DocKind::bankStatement, "eStatement 2024-03.pdf",
         "Wells Fargo Everyday Checking\nStatement period: March 1 - March 31, 2024\nAccount number: ****6621\n"
         "Account summary\nBeginning balance $3,204.55\nDeposits and additions $4,100.00\nWithdrawals and "
         "subtractions $2,870.12\nEnding balance $4,434.43\nTransaction history\n03/04 Direct deposit ACME "
         "PAYROLL 2,050.00\n03/11 Card purchase GROCERY MART 86.20\n",
         [](Fingerprint& f) {
             f.structural.currencyLineCount = 6;
             f.structural.hasMaskedAccountNumber = true;
             f.entities.organizationCount = 1;
         }},
        {DocKind::invoiceReceipt, "Invoice 1042.pdf",
         "Northwind Design LLC\nINVOICE\nInvoice No. 1042\nDate: 12 February 2024\nBill to: Harbor Cafe, 14 Pier "
         "Road\nDescription  Qty  Unit price  Amount\nLogo design  1  $900.00  $900.00\nMenu layout  2  $150.00  "
         "$300.00\nSubtotal: $1,200.00\nPayment terms: Net 30\nTotal: $1,200.00\nAmount due: $1,200.00\n",
         nullptr},
        {DocKind::medical, "Lab Results March.pdf",
         "Riverside Medical Center - Laboratory Report\nPatient: Daniel Okafor    DOB: 04/17/1981\nOrdering "
         "physician: Dr. Helen Park\nTest results\nHemoglobin A1c  5.4 %  (reference 4.0-5.6)\nLDL cholesterol  "
         "96 mg/dL\nDiagnosis: routine screening, no abnormal findings.\n",
         nullptr},
        {DocKind::legalContract, "Lease Agreement.pdf",
         "RESIDENTIAL LEASE AGREEMENT\nThis Lease is made on June 1, 2024 between Carla Diaz (hereinafter "
         "\"Landlord\") and Ben Fox (hereinafter \"Tenant\").\nWHEREAS the Landlord owns the premises at 22 Elm "
         "Street;\nSection 1. Term. The lease runs for twelve months.\nSection 2. Rent. The Tenant shall pay "
         "$1,450 each month.\nSection 3: Governing law. The laws of the State of Oregon apply.\nSigned: "
         "____________\nBy: Carla Diaz, Landlord\n",
         nullptr},
        {DocKind::letter, "Letter to Ms Novak.docx",
         "14 Birch Lane\nSpringfield\n\nMarch 3, 2024\n\nDear Ms. Novak,\n\nThank you for hosting our class at "
         "the museum last week. The children are still talking about the dinosaur hall, and several have asked "
         "to come back with their families.\n\nKind regards,\nPaul Meyer\n",
         nullptr},
        {DocKind::recipe, "Lemon Cake Recipe.txt",
         "Lemon Drizzle Cake\nServings: 8   Prep time: 15 min   Cook time: 45 min\nIngredients\n225 g butter\n"
         "225 g caster sugar\n4 eggs\nMethod\n1. Preheat the oven to 180°C.\n2. Whisk the butter and sugar, then "
         "stir in the eggs.\n3. Bake for 45 minutes.\n",
         [](Fingerprint& f) {
             f.structural.unitOfMeasureCount = 2;
             f.structural.numberedStepCount = 3;
         }},
        {DocKind::manualGuide, "Kettle User Guide.pdf",
         "AquaBoil 300 Electric Kettle - User Guide\nModel No. AB-300\nContents\nSafety instructions ........ 2\n"
         "Getting started ............ 4\nTroubleshooting ............ 9\nWarranty information ....... 12\n"
         "Safety instructions\nNever immerse the kettle in water.\n",
         nullptr},
        {DocKind::ticketItinerary, "Boarding Pass LH 455.pdf",
         "BOARDING PASS\nPassenger: KIM/JUNE MS\nFlight LH 455  Frankfurt FRA → SFO San Francisco\nDeparture "
         "10:35  Gate B44  Seat 32K\nBoarding 09:50  Arrival 13:05 (local time)\nConfirmation code: QX7L2P\n"
         "e-ticket 2202145551234\n",
         [](Fingerprint& f) {
             f.entities.airportCodePairCount = 1;
             f.entities.documentIDCount = 1;
         }},
        {DocKind::idCertificate, "Birth Certificate.pdf",
         "STATE OF OREGON\nCERTIFICATE OF LIVE BIRTH\nCertificate number: 136-2019-004512\nChild: Lily Rose "
         "Carter   Date of birth: July 9, 2019\nPlace of birth: Portland, County of Multnomah\nIssued by the "
         "Oregon Health Authority, Center for Health Statistics\nDate of issue: August 2, 2019\nState "
         "Registrar: ___________\n",
         [](Fingerprint& f) { f.entities.documentIDCount = 1; }},
    };
    return documents;
}

const char* textOf(DocKind kind) {
    for (const KindDocument& document : kindDocuments()) {
        if (document.kind == kind) return document.text;
    }
    return "";
}

}  // namespace ordane::fixtures
