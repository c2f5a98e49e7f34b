#include "testfiles.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

TTempDir::TTempDir()
{
    std::random_device Seed;
    const auto Base = std::filesystem::temp_directory_path();
    for (int Try = 0; Try < 100; ++Try) {
        FPath = Base / ("orvanta-test-" + std::to_string(Seed()));
        if (std::filesystem::create_directory(FPath))
            return;
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TTempDir::~TTempDir()
{
    std::error_code Ignored;
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, Ignored);
    std::filesystem::remove_all(FPath, Ignored);
}

void WriteFileBytes(const std::string& FileName, const std::string& Bytes)
{
    std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
    Out.write(Bytes.data(), std::streamsize(Bytes.size()));
    if (!Out)
        throw std::runtime_error("cannot write " + FileName);
}

std::string ReadFileBytes(const std::string& FileName)
{
    std::ifstream In(FileName, std::ios::binary);
    if (!In)
        throw std::runtime_error("cannot read " + FileName);
    std::ostringstream Content;
    Content << In.rdbuf();
    return Content.str();
}
