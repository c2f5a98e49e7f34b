#include "clijoin.h"

#include "cliinput.h"
#include "clioutput.h"
#include "core/quibfile.h"
#include "platform/filestream.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>

namespace cli {

namespace {

const std::int64_t PieceSize = 1 << 20;

// Where the joined bytes go.
class TSink {
public:
    virtual ~TSink() = default;
    virtual void Write(const char* Bytes, std::int64_t Length) = 0;
};

class TStandardOutput : public TSink {
public:
    void Write(const char* Bytes, std::int64_t Length) override { FOut << std::string_view(Bytes, std::size_t(Length)); }
    void Flush() { FOut.Flush(); }

private:
    TOutput FOut;
};

class TFileSink : public TSink {
public:
    explicit TFileSink(const std::string& FileName)
        : FFileName(FileName), FStream(platform::TFileStream::CreateExclusive(FileName))
    {
    }
    void Write(const char* Bytes, std::int64_t Length) override
    {
        if (FStream->Write(Bytes, Length) == Length)
            return;
        const int Error = FStream->LastError();
        throw std::runtime_error("Cannot write file \"" + platform::FullPath(FFileName) + "\". " +
                                 (Error ? platform::SystemErrorText(Error) : std::string("Stream write error")));
    }

private:
    std::string FFileName;
    std::unique_ptr<platform::TFileStream> FStream;
};

bool IsBreak(char C) { return C == '\r' || C == '\n'; }

// The line break Bytes use first, if any.
std::string FirstBreak(std::string_view Bytes)
{
    const std::size_t At = Bytes.find_first_of("\r\n");
    if (At == std::string_view::npos)
        return {};
    const bool CrLf = Bytes[At] == '\r' && At + 1 < Bytes.size() && Bytes[At + 1] == '\n';
    return std::string(Bytes.substr(At, CrLf ? 2 : 1));
}

// Writes File's bytes from its first object to its end; returns the line
// break to add when another input follows (empty when it ends with one).
std::string WriteObjects(const TObjectTextFile& File, TSink& Sink)
{
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader)
        throw platform::EReadError("Stream read error");
    const std::int64_t Start = File.Objects(0).Offset();
    const std::int64_t End = File.SplitThrough();
    std::string Piece, Break;
    char Last = '\n';
    Reader->Seek(Start, platform::TSeekOrigin::soBeginning);
    for (std::int64_t At = Start; At < End; At += std::int64_t(Piece.size())) {
        Piece.resize(std::size_t(std::min(PieceSize, End - At)));
        if (Reader->Read(Piece.data(), std::int64_t(Piece.size())) != std::int64_t(Piece.size())) {
            const std::string Why = Reader->FailureText();
            throw platform::EReadError(Why.empty() ? "Stream read error" : Why);
        }
        if (Break.empty())
            Break = FirstBreak(Piece);
        Sink.Write(Piece.data(), std::int64_t(Piece.size()));
        Last = Piece.back();
    }
    if (IsBreak(Last))
        return {};
    return Break.empty() ? "\r\n" : Break;
}

void WriteAll(const std::vector<std::unique_ptr<TObjectTextFile>>& Files, TSink& Sink)
{
    std::string Pending; // the break owed to the input before, once another follows
    for (const auto& File : Files) {
        if (File->Count() == 0)
            continue;
        Sink.Write(Pending.data(), std::int64_t(Pending.size()));
        Pending = WriteObjects(*File, Sink);
    }
}

} // namespace

int Join(const std::vector<std::string>& Inputs, const std::string& Output)
{
    // Every input is read before anything is written: the output may lie in one.
    std::vector<std::unique_ptr<TObjectTextFile>> Files;
    for (const std::string& Input : Inputs) {
        Files.push_back(std::make_unique<TObjectTextFile>());
        LoadInput(*Files.back(), Input);
    }
    if (Output.empty()) {
        TStandardOutput Out;
        WriteAll(Files, Out);
        Out.Flush();
        return 0;
    }
    const std::string Temporary = Output + ".joining";
    try {
        {
            TFileSink Sink(Temporary);
            WriteAll(Files, Sink);
        }
        std::filesystem::rename(std::filesystem::u8path(Temporary), std::filesystem::u8path(Output));
    } catch (const std::filesystem::filesystem_error& Error) {
        platform::RemoveRegularFile(Temporary);
        throw std::runtime_error("Cannot write file \"" + platform::FullPath(Output) + "\". " +
                                 Error.code().message() + ".");
    } catch (...) {
        platform::RemoveRegularFile(Temporary);
        throw;
    }
    return 0;
}

} // namespace cli
