// What a user types to name an object: "Table 18", "t18", "codeunit 80",
// "18". A kind, as a start of its name in any case (optional), then a number.
//
// Standard C++ only.
#pragma once

#include "core/quibfile.h"

#include <cstdint>
#include <optional>
#include <string_view>

struct TObjectReference {
    std::optional<TObjectType> Type;  // none: any kind
    std::int32_t ID = 0;
};

// std::nullopt for anything else, and for a start of a name that fits more
// than one kind.
std::optional<TObjectReference> ParseObjectReference(std::string_view Text);

// The index of the first object of File that Reference names; -1 when none does.
std::int32_t FindObject(const TObjectTextFile& File, const TObjectReference& Reference);
