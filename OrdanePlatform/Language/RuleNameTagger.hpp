#pragma once

#include "OrdanePlatform/Language/NameTagger.hpp"

namespace ordane::platform {

// A rule-based tagger that prefers missing a name to inventing one. Within one line, a run of
// capitalised words separated by spaces is
// - an organisation when it ends in a company word ("Acme Widgets Inc.", "Acme, LLC", "First
//   National Bank") or starts with one followed by "of" ("Bank of America", "University of Leeds");
// - otherwise a person when one of its words is a common given name and at least one capitalised
//   word (or an initial) follows it ("Ann Lee", "Dear Ann B. Lee" gives "Ann B. Lee").
// Month and weekday names, street and company words never count as a surname. A person's name is
// at most four words long.
class RuleNameTagger : public NameTagger {
public:
    std::vector<TaggedName> names(std::string_view text) const override;

    // A shared instance: the tagger holds no state.
    static const RuleNameTagger& shared();
};

}  // namespace ordane::platform
