#include "tools/wav/chunk_ids.h"

namespace {
// GUID fields are little-endian: the first four bytes spell the identifier.
const char kFourccTail[12] = {'\xF3', '\xAC', '\xD3', '\x11', '\x8C', '\xD1', '\x00',
                              '\xC0', '\x4F', '\x8E', '\xDB', '\x8A'};
const std::string kListGuid("list\x2F\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\x00\x00", 16);

const char* const kNotCopied[] = {"fmt ", "fact", "data", "ds64", "PEAK", "levl", "MD5 ",
                                  "JUNK", "junk", "PAD ", "FLLR", "r64m"};
}  // namespace

const std::string kWave64Riff("riff\x2E\x91\xCF\x11\xA5\xD6\x28\xDB\x04\xC1\x00\x00", 16);
const std::string kWave64Wave = Wave64Id("wave");

std::string Wave64Id(const std::string& fourcc)
{
    if (fourcc == "LIST")
        return kListGuid;
    return fourcc + std::string(kFourccTail, sizeof kFourccTail);
}

std::string FourccOfWave64Id(const std::string& guid)
{
    if (guid == kListGuid)
        return "LIST";
    if (guid.size() == 16 && guid.compare(4, 12, kFourccTail, sizeof kFourccTail) == 0)
        return guid.substr(0, 4);
    return "";
}

bool IsRewrittenOrLeftOut(const std::string& fourcc)
{
    for (const char* id : kNotCopied)
        if (fourcc == id)
            return true;
    return false;
}
