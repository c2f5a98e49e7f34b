// The subcommands of orvanta-cli on the viewer's model, with their arguments
// already taken apart. Each returns the exit code; every failure is an
// exception whose what() is the message for standard error.
#pragma once

#include "core/codepages.h"
#include "core/fileencodings.h"
#include "core/objectfilter.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

// What --encoding asks for: the file's bytes unchanged, the encoding detected
// in each object, or one encoding for every object.
struct TEncodingOption {
    enum TKind { ekNone, ekAuto, ekFixed };
    TKind Kind = ekNone;
    codepages::TEncoding Encoding = codepages::TEncoding::Latin1; // for ekFixed
};

// "none", "auto" or an encoding's name, in any case; raises for any other
// name, with the names there are.
TEncodingOption EncodingOption(std::string_view Name);
// The encodings' names, comma-separated: latin1, utf-8, cp437, ...
std::string EncodingNames();

// The code pages of File's objects from the whole file for auto (one more
// pass over its objects); null for the other choices.
std::shared_ptr<const TFileEncodings> FileEncodingsFor(const TObjectTextFile& File, const TEncodingOption& Choice);

// A --filter: the field and its expression.
using TFilterOption = std::pair<TFilterField, std::string>;

// "FIELD=EXPR" with FIELD one of type, id, name, version, modified, date,
// time (in any case); raises for any other field, with the fields there are.
TFilterOption FilterOption(std::string_view Text);

struct TListOptions {
    bool Properties = false;            // the four property values as columns 7 to 10
    std::vector<TFilterOption> Filters; // the objects listed pass them all
};

// One line per object: index, kind, number, name, offset, size, and with
// Properties Modified, Version List, Date, Time; the names and values in
// UTF-8 unless Encoding is ekNone. With filters only the objects that pass,
// under their own index; the filters compare the file's bytes unless Encoding
// is given, then each is written into the object's encoding (or, where it
// cannot be, compared with the values in UTF-8). A malformed filter raises
// before the file is read.
int List(const std::string& FileName, const TEncodingOption& Encoding = {}, const TListOptions& Options = {});

// Every occurrence of Text as successive Find Next presses find it: object
// index, 1-based position, object. 1 when there is none. Text is the file's
// bytes when Encoding is ekNone, else UTF-8 written into each object's encoding.
// Lines adds the occurrence's 1-based line and that line's text.
int Find(const std::string& Text, const std::string& FileName, bool MatchCase, const TEncodingOption& Encoding = {},
         bool Lines = false);

// The objects of the given indexes (all when there are none) as files under
// their export names in Folder, or with Tree in the folder layout of
// TreeFileName (core/quibfile.h), its folders made as needed. Every index,
// and unless Force that no target exists, is checked before the first file
// is written.
int Export(const std::string& FileName, const std::string& Folder, const std::vector<std::string>& Indexes,
           bool Force, bool Tree = false);

// The text of each object of the given indexes, in their order, in UTF-8
// unless Encoding is ekNone. Every index is checked before anything is written.
int Show(const std::string& FileName, const std::vector<std::string>& Indexes, const TEncodingOption& Encoding);

// One line per object, index and the encoding detected ("ascii" for bytes
// below 0x80 only), then how many objects there are of each.
int Encodings(const std::string& FileName);

} // namespace cli
