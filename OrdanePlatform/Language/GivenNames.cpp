#include "OrdanePlatform/Language/GivenNames.hpp"

#include <string>
#include <unordered_set>

namespace ordane::platform {

namespace {

// Folded spellings, grouped loosely by language.
constexpr std::string_view givenNames[] = {
    // English
    "aaron", "adam", "adrian", "aidan", "alan", "albert", "alex", "alexander", "alexandra", "alice", "alicia",
    "alison", "allison", "amanda", "amelia", "amy", "andrea", "andrew", "angela", "ann", "anna", "anne",
    "annie", "anthony", "ashley", "audrey", "austin", "barbara", "benjamin", "beth", "betty", "brandon",
    "brenda", "brian", "brittany", "bruce", "bryan", "caleb", "cameron", "carl", "carol", "caroline",
    "catherine", "charles", "charlotte", "cheryl", "chloe", "christian", "christina", "christine",
    "christopher", "cindy", "claire", "cody", "colin", "connor", "craig", "cynthia", "daniel", "danielle",
    "david", "deborah", "debra", "denise", "dennis", "diana", "diane", "donald", "donna", "dorothy",
    "douglas", "dylan", "edward", "eleanor", "elizabeth", "ella", "ellen", "emily", "emma", "eric", "ethan",
    "evelyn", "gary", "george", "gloria", "gregory", "hannah", "harold", "harry", "heather", "helen", "henry",
    "isabella", "jack", "jacob", "james", "jane", "janet", "janice", "jason", "jeffrey", "jennifer", "jeremy",
    "jessica", "joan", "john", "jonathan", "joseph", "joshua", "joyce", "judith", "julia", "julie", "justin",
    "karen", "katherine", "kathleen", "kathryn", "kayla", "keith", "kelly", "kenneth", "kevin", "kimberly",
    "kyle", "laura", "lauren", "lawrence", "lee", "leo", "liam", "linda", "lisa", "logan", "louise", "lucas",
    "lucy", "madison", "margaret", "maria", "marie", "marilyn", "martha", "mary", "matthew", "megan",
    "melissa", "michael", "michelle", "mike", "nancy", "natalie", "nathan", "nicholas", "nicole", "noah",
    "olivia", "oliver", "pamela", "patricia", "patrick", "paul", "peter", "philip", "rachel", "raymond",
    "rebecca", "richard", "robert", "roger", "ronald", "ruth", "ryan", "samantha", "samuel", "sandra",
    "sara", "sarah", "scott", "sean", "sharon", "shirley", "sophia", "sophie", "stephanie", "stephen",
    "steven", "susan", "teresa", "theresa", "thomas", "timothy", "tyler", "victoria", "vincent", "virginia",
    "walter", "wayne", "william", "zachary",
    // French
    "adele", "amelie", "antoine", "aurelie", "camille", "celine", "chantal", "clement", "elodie", "etienne",
    "francois", "francoise", "frederic", "guillaume", "helene", "isabelle", "jacques", "jean", "jerome",
    "julien", "laurent", "louis", "luc", "manon", "marc", "mathieu", "nathalie", "nicolas", "pascal",
    "philippe", "pierre", "rene", "sebastien", "sylvie", "thierry", "valerie", "yves",
    // German, Dutch and Nordic
    "anders", "andreas", "anke", "birgit", "bjorn", "dieter", "dirk", "erik", "fredrik", "gunther",
    "hans", "heike", "heinz", "ingrid", "jan", "jens", "jorg", "jurgen", "karin", "karl", "katrin", "klaus",
    "lars", "lena", "ludwig", "lukas", "magnus", "maximilian", "monika", "niels", "nils", "olaf", "petra", "pieter",
    "sabine", "sander", "sanne", "sigrid", "stefan", "sven", "thijs", "ulrike", "ursula", "willem",
    "wolfgang",
    // Spanish, Portuguese and Italian
    "alejandro", "alessandro", "ana", "andres", "antonio", "beatriz", "carlos", "carmen", "chiara",
    "diego", "eduardo", "elena", "enrique", "fernando", "francesca", "francesco", "gabriel", "giovanni",
    "giulia", "giuseppe", "guadalupe", "ines", "javier", "joao", "jorge", "jose", "juan", "laia", "lorenzo",
    "lucia", "luis", "luisa", "manuel", "marco", "marta", "matteo", "miguel", "pablo", "paola", "pedro",
    "rafael", "ricardo", "roberto", "rosa", "sergio", "sofia", "valentina", "ximena",
    // Polish, Czech and Turkish
    "agnieszka", "ahmet", "ayse", "elif", "emre", "fatma", "jakub", "katarzyna", "krzysztof", "magdalena",
    "malgorzata", "mehmet", "mustafa", "pavel", "piotr", "tomasz", "zeynep",
    // Arabic, Persian and Hebrew
    "ahmed", "ali", "amir", "avi", "fatima", "hassan", "hussein", "ibrahim", "khalid", "leila", "mohamed",
    "mohammad", "mohammed", "muhammad", "noor", "omar", "reza", "sara", "yael", "yosef", "youssef",
    // South and East Asian
    "aditya", "akira", "amit", "anil", "anjali", "arjun", "deepak", "haruto", "hiroshi", "kenji", "li",
    "mei", "ming", "neha", "priya", "rahul", "rajesh", "ravi", "sanjay", "sunil", "takashi", "wei",
    "yuki", "yuto",
};

}  // namespace

bool isCommonGivenName(std::string_view foldedWord) {
    static const std::unordered_set<std::string_view> names(std::begin(givenNames), std::end(givenNames));
    return names.contains(foldedWord);
}

}  // namespace ordane::platform
