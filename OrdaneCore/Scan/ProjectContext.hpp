#pragma once

#include <optional>
#include <string>
#include <variant>

#include "OrdaneCore/Foundation/Json.hpp"

namespace ordane {

// Where a scanned item sits in relation to software projects.
struct ProjectContext {
    // Inside a software project whose root folder is `root`.
    struct SourceOfProject {
        URL root;
        bool operator==(const SourceOfProject&) const = default;
    };
    // A folder a build tool can recreate; `kind` is its own name ("node_modules").
    struct Recreatable {
        std::string kind;
        std::optional<URL> root;
        bool operator==(const Recreatable&) const = default;
    };

    std::variant<SourceOfProject, Recreatable> value;

    static ProjectContext sourceOfProject(URL root) { return {SourceOfProject{std::move(root)}}; }
    static ProjectContext recreatable(std::string kind, std::optional<URL> root) {
        return {Recreatable{std::move(kind), std::move(root)}};
    }

    bool operator==(const ProjectContext&) const = default;

    Json toJson() const;
    static ProjectContext fromJson(const Json& json);
};

}  // namespace ordane
