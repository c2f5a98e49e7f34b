// Fuzzes the header parse on its own: the entry's constructor and StrToInt on
// arbitrary bytes, checked against the rules restated digit by digit, and the
// texts derived from the header.
#include "fuzzcheck.h"

using namespace fuzzcheck;

namespace {

void CheckStrToInt(const std::string& Text)
{
    std::int32_t Expected = 0;
    const bool Valid = ReferenceStrToInt(Text, Expected);
    try {
        const std::int32_t Actual = StrToInt(Text);
        FUZZ_CHECK(Valid, "accepted '" + Text + "' as " + std::to_string(Actual));
        FUZZ_CHECK(Actual == Expected, "'" + Text + "' gave " + std::to_string(Actual) + ", not " +
                                           std::to_string(Expected));
    } catch (const EConvertError& E) {
        FUZZ_CHECK(!Valid, "refused '" + Text + "'");
        // what() is a C string: a NUL in the text ends the message there.
        const std::string Message = "'" + Text + "' is not a valid integer value";
        FUZZ_CHECK(std::string(E.what()) == Message.c_str(), E.what());
    }
}

std::string Lower3(const std::string& Name)
{
    std::string P = Name.substr(0, 3);
    for (char& C : P)
        if (C >= 'A' && C <= 'Z')
            C = char(C + 32);
    return P;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    const std::string Header(reinterpret_cast<const char*>(Data), Size);
    CheckStrToInt(Header);

    const THeader Expected = ReferenceHeader(Header);
    try {
        const TObjectTextObject Object(nullptr, 0, Header);
        FUZZ_CHECK(Expected.Valid, "accepted the header '" + Header + "'");
        FUZZ_CHECK(int(Object.ObjectType()) == Expected.Type, "kind of '" + Header + "'");
        FUZZ_CHECK(Object.ID() == Expected.ID, "number of '" + Header + "'");
        FUZZ_CHECK(Object.Name() == Expected.Name, "name of '" + Header + "': '" + std::string(Object.Name()) + "'");
        FUZZ_CHECK(Object.Size() == 0 && Object.Offset() == 0, "range of '" + Header + "'");
        const std::string& Kind = ObjectTypeNames[Expected.Type];
        const std::string Number = std::to_string(Expected.ID);
        FUZZ_CHECK(Object.GetDisplayText() == Kind + " " + Number + " " + Expected.Name, Object.GetDisplayText());
        FUZZ_CHECK(Object.GetExportFileName() == Lower3(Kind) + Number + ".txt", Object.GetExportFileName());
        // The number written back reads as itself.
        CheckStrToInt(Number);
        FUZZ_CHECK(StrToInt(Number) == Expected.ID, Number);
    } catch (const EConvertError& E) {
        FUZZ_CHECK(!Expected.Valid, "refused the header '" + Header + "': " + E.what());
        FUZZ_CHECK(E.what() == std::string(Expected.Error.c_str()), E.what());
    }
    return 0;
}
