// WavReader and WavWriter on files: the byte source and sink of the Win32 file API.
#include "platform/handles.h"
#include "platform/replacement_file.h"
#include "tools/wav/wav_file.h"

namespace {
class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr))
    {
    }
    explicit operator bool() const { return static_cast<bool>(file_); }

    uint64_t Size() override
    {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_, &size))
            throw WavError("cannot read the file size");
        return static_cast<uint64_t>(size.QuadPart);
    }

    bool ReadAt(uint64_t position, void* data, uint32_t size) override
    {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        DWORD read = 0;
        return SetFilePointerEx(file_, to, nullptr, FILE_BEGIN) && ReadFile(file_, data, size, &read, nullptr) &&
               read == size;
    }

private:
    FileHandle file_;
};

class FileSink : public ByteSink {
public:
    explicit FileSink(const std::string& path) : file_(path) {}
    explicit operator bool() const { return static_cast<bool>(file_); }

    bool Write(const void* data, size_t size) override
    {
        DWORD written = 0;
        return WriteFile(file_.Handle(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    }
    bool Commit() override { return file_.Commit(); }

private:
    ReplacementFile file_;
};

std::unique_ptr<ByteSource> OpenSource(const std::string& path, const std::string& failure)
{
    auto source = std::make_unique<FileSource>(path);
    if (!*source)
        throw WavError(failure);
    return source;
}

std::unique_ptr<ByteSink> CreateSink(const std::string& path)
{
    auto sink = std::make_unique<FileSink>(path);
    if (!*sink)
        throw WavError("cannot create " + path + " (cannot write in its folder?)");
    return sink;
}
}  // namespace

WavReader::WavReader(const std::string& path) : WavReader(OpenSource(path, "cannot open " + path), path) {}

WavWriter::WavWriter(const std::string& path, const WavLayout& layout)
    : WavWriter(path, CreateSink(path),
                [source = layout.chunkSource] {
                    return OpenSource(source, "cannot open " + source + " again to copy its chunks");
                },
                layout)
{
}
