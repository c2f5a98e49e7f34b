// Filters on the objects of a file: one expression per field, compiled once
// into a predicate.
//
// An expression is alternatives separated by "|"; each alternative is
// conditions joined by "&", all of which must hold ("&" binds tighter). A
// condition is one of
//
//     A..B   A to B, both included ("A.." and "..B" leave an end open)
//     <>X    anything but X (X may have wildcards)
//     <X  <=X  >X  >=X  =X
//     X      X itself; in text, "*" stands for any run of bytes and "?" for
//            one, and without them X must be the whole text
//
// "@" before a condition ignores case: the letters A to Z, and those of the
// code page whose fold table is given. '...' quotes a value, so that
// | & . < > = * ? @ lose their meaning; '' is a quote inside quotes. A single
// "." needs no quotes (01.07.10), ".." does. Examples: 50000..59999|18,
// *Sales*, @*sales*, <>Yes, ORV1*&*DE*, ''.
//
// ID compares numbers (decimal, with an optional sign); Type compares the
// kind's name (ObjectTypeNames) as text, always ignoring case; the other
// fields compare their bytes as they are in the file, in byte order, with
// case unless "@". Spaces count in text, except in Type and ID, around values.
// An empty expression filters nothing. So does a malformed one, which never
// throws: Error() says what is wrong, in a few words to show under the field.
#pragma once

#include "core/objectproperties.h"
#include "core/quibfile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class TFilterField : std::uint8_t { Type, ID, Name, VersionList, Modified, Date, Time };
constexpr int FilterFieldCount = 7;

// "Type", "ID", "Name", "Version List", "Modified", "Date", "Time".
std::string_view FilterFieldName(TFilterField Field);

// A byte's lower-case letter, as codepages::FoldTable gives one per code page.
using TFoldTable = std::array<unsigned char, 256>;

// One field's expression, compiled.
class TFieldFilter {
public:
    // Filters nothing.
    TFieldFilter() = default;
    // Fold: the case folding for "@" (default: A to Z only); kept by
    // reference, so it must outlive the filter (codepages::FoldTable's do).
    TFieldFilter(TFilterField Field, std::string_view Expression, const TFoldTable* Fold = nullptr);

    TFilterField Field() const { return FField; }
    // True when the expression has a condition and is well formed.
    bool Active() const { return FProgram != nullptr; }
    // Why the expression is malformed; empty when it is not.
    const std::string& Error() const { return FError; }

    // Whether a value of the filter's field passes; an inactive filter passes
    // every one. Text is for the text fields, and for Type a kind's name;
    // Number is for ID.
    bool Matches(std::string_view Text) const;
    bool Matches(std::int32_t Number) const; // ID
    bool Matches(TObjectType Type) const;

private:
    struct TProgram;
    TFilterField FField = TFilterField::Name;
    std::shared_ptr<const TProgram> FProgram; // shared by copies: it never changes
    std::string FError;
};

// The filters of every field together: an object passes when it passes all.
class TObjectFilter {
public:
    // Replaces the field's expressions with this one; returns its error
    // message, empty when it is well formed.
    std::string Set(TFilterField Field, std::string_view Expression, const TFoldTable* Fold = nullptr);
    // One more expression for the field, which must hold as well.
    std::string Add(TFilterField Field, std::string_view Expression, const TFoldTable* Fold = nullptr);
    void Clear() { FFilters.clear(); }

    // The field's first filter (an inactive one when it has none).
    const TFieldFilter& Filter(TFilterField Field) const;
    // True when any filter is active: some object may not pass.
    bool Active() const;
    // True when an active filter reads a property value.
    bool ReadsProperties() const;

    bool Matches(TObjectType Type, std::int32_t ID, std::string_view Name, const TPropertyValues& Values) const;
    // Reads the object's property values into Buffer when an active filter needs them.
    bool Matches(const TObjectTextObject& Object, std::string& Buffer) const;
    // The indexes of the objects that pass, in file order. Raises what reading
    // the property values raises (EReadError).
    std::vector<std::int32_t> Apply(const TObjectTextFile& File) const;

private:
    std::string Put(TFieldFilter Filter);
    std::vector<TFieldFilter> FFilters; // the header fields' before the properties'
};
