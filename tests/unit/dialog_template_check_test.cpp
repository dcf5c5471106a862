// The walk of untrusted dialog templates: hand-built templates of both forms, whole, cut short
// at every byte, with runaway counts and strings, and without font fields.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog_template_check.h"

namespace {
// The SDK's constants are pasted literals that clang-tidy misreads inside macro arguments.
constexpr DWORD kChild = WS_CHILD;
constexpr DWORD kFontedChild = WS_CHILD | DS_SETFONT;

// Bytes at the end of a page that is followed by an inaccessible one.
class GuardedBytes {
public:
    explicit GuardedBytes(size_t size) : size_(size)
    {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        page_ = system.dwPageSize;
        pages_ = static_cast<BYTE*>(VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous = 0;
        EXPECT_TRUE(pages_ && VirtualProtect(pages_ + page_, page_, PAGE_NOACCESS, &previous));
    }
    ~GuardedBytes() { VirtualFree(pages_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    BYTE* Data() const { return pages_ + page_ - size_; }

private:
    size_t size_;
    size_t page_ = 0;
    BYTE* pages_ = nullptr;
};

class TemplateBytes {
public:
    void Word(WORD value)
    {
        bytes_.push_back(LOBYTE(value));
        bytes_.push_back(HIBYTE(value));
    }
    void Dword(DWORD value)
    {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Byte(BYTE value) { bytes_.push_back(value); }
    void String(const std::wstring& text)
    {
        for (wchar_t c : text)
            Word(c);
        Word(0);
    }
    void Ordinal(WORD value)
    {
        Word(0xFFFF);
        Word(value);
    }
    void AlignToDword()
    {
        while (bytes_.size() % 4)
            bytes_.push_back(0);
    }
    size_t Size() const { return bytes_.size(); }
    void PutWord(size_t at, WORD value)
    {
        bytes_[at] = LOBYTE(value);
        bytes_[at + 1] = HIBYTE(value);
    }
    // The first size bytes, ending where an inaccessible page begins, so that reading one byte
    // beyond them crashes the test.
    bool Check(size_t size) const
    {
        GuardedBytes storage(size);
        std::copy(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(size), storage.Data());
        return IsCompleteFontedDialogTemplate(storage.Data(), size);
    }
    bool Check() const { return Check(bytes_.size()); }

private:
    std::vector<BYTE> bytes_;
};

// Where the parts of a built template start, for the rows that change one of them.
struct Built {
    TemplateBytes bytes;
    size_t itemCountAt = 0;
    size_t titleAt = 0;
    size_t pointSizeAt = 0;
    size_t lastDataCountAt = 0;
};

// Two items: a static by class ordinal with a text title, and a trackbar by class name with
// an ordinal title and two bytes of creation data.
Built Standard(DWORD style, WORD items = 2)
{
    Built built;
    TemplateBytes& t = built.bytes;
    t.Dword(style);
    t.Dword(0);
    built.itemCountAt = t.Size();
    t.Word(items);
    for (int value : {0, 0, 200, 100})
        t.Word(static_cast<WORD>(value));
    t.Word(0);  // no menu
    t.Word(0);  // the standard class
    built.titleAt = t.Size();
    t.String(L"Dialog");
    if (style & DS_SETFONT) {
        built.pointSizeAt = t.Size();
        t.Word(8);
        t.String(L"MS Shell Dlg");
    }
    t.AlignToDword();
    t.Dword(WS_CHILD | WS_VISIBLE);
    t.Dword(0);
    for (int value : {4, 4, 50, 10})
        t.Word(static_cast<WORD>(value));
    t.Word(100);
    t.Ordinal(0x0082);
    t.String(L"Text");
    t.Word(0);
    t.AlignToDword();
    t.Dword(WS_CHILD | WS_VISIBLE);
    t.Dword(0);
    for (int value : {4, 20, 18, 60})
        t.Word(static_cast<WORD>(value));
    t.Word(101);
    t.String(L"msctls_trackbar32");
    t.Ordinal(1);
    built.lastDataCountAt = t.Size();
    t.Word(2);
    t.Word(0x1234);
    return built;
}

// The same in the extended form, with a menu ordinal and a class name for the dialog.
Built Extended(DWORD style, WORD items = 2)
{
    Built built;
    TemplateBytes& t = built.bytes;
    t.Word(1);
    t.Word(0xFFFF);
    t.Dword(0);  // help identifier
    t.Dword(0);  // extended style
    t.Dword(style);
    built.itemCountAt = t.Size();
    t.Word(items);
    for (int value : {0, 0, 200, 100})
        t.Word(static_cast<WORD>(value));
    t.Ordinal(7);
    t.String(L"OwnDialogClass");
    built.titleAt = t.Size();
    t.String(L"Extended");
    if (style & DS_SETFONT) {
        built.pointSizeAt = t.Size();
        t.Word(8);
        t.Word(FW_NORMAL);
        t.Byte(0);
        t.Byte(DEFAULT_CHARSET);
        t.String(L"MS Shell Dlg");
    }
    for (WORD id : {100, 101}) {
        t.AlignToDword();
        t.Dword(0);
        t.Dword(0);
        t.Dword(WS_CHILD | WS_VISIBLE);
        for (int value : {4, 4, 50, 10})
            t.Word(static_cast<WORD>(value));
        t.Dword(id);
        if (id == 100) {
            t.Ordinal(0x0081);
            t.String(L"");
            t.Word(0);
        } else {
            t.String(L"Button");
            t.String(L"OK");
            built.lastDataCountAt = t.Size();
            t.Word(3);
            t.Byte(1);
            t.Byte(2);
            t.Byte(3);
        }
    }
    return built;
}

TEST(DialogTemplateCheck, AcceptsCompleteTemplatesOfBothForms)
{
    EXPECT_TRUE(Standard(kFontedChild).bytes.Check());
    EXPECT_TRUE(Extended(kFontedChild).bytes.Check());
    // Fewer items than there are bytes for: the rest is never read.
    EXPECT_TRUE(Standard(kFontedChild, 0).bytes.Check());
    EXPECT_TRUE(Extended(kFontedChild, 1).bytes.Check());
}

TEST(DialogTemplateCheck, RefusesEveryTemplateCutShort)
{
    for (const Built& built : {Standard(kFontedChild), Extended(kFontedChild)}) {
        const size_t whole = built.bytes.Size();
        for (size_t size = 0; size < whole; ++size)
            EXPECT_FALSE(built.bytes.Check(size)) << size << " of " << whole << " bytes";
    }
}

TEST(DialogTemplateCheck, RefusesCountsThatRunPastTheEnd)
{
    for (const Built& built : {Standard(kFontedChild), Extended(kFontedChild)}) {
        SCOPED_TRACE(built.bytes.Size());
        Built oneMore = built;
        oneMore.bytes.PutWord(oneMore.itemCountAt, 3);
        EXPECT_FALSE(oneMore.bytes.Check());
        Built runaway = built;
        runaway.bytes.PutWord(runaway.itemCountAt, 0xFFFF);
        EXPECT_FALSE(runaway.bytes.Check());
        Built longData = built;
        longData.bytes.PutWord(longData.lastDataCountAt, 0x7FFF);
        EXPECT_FALSE(longData.bytes.Check());
    }
}

TEST(DialogTemplateCheck, RefusesAStringWithoutItsTerminator)
{
    // A title of non-zero characters to the last byte.
    for (Built built : {Standard(kFontedChild), Extended(kFontedChild)}) {
        SCOPED_TRACE(built.bytes.Size());
        for (size_t at = built.titleAt; at + 1 < built.bytes.Size(); at += 2)
            built.bytes.PutWord(at, L'x');
        EXPECT_FALSE(built.bytes.Check());
    }
}

TEST(DialogTemplateCheck, RefusesATemplateWithoutFontFields)
{
    // Complete as far as its own style says, but DS_SETFONT would make the dialog manager read
    // font fields that are not there.
    EXPECT_FALSE(Standard(kChild).bytes.Check());
    EXPECT_FALSE(Extended(kChild).bytes.Check());
    // The font fields present while the style does not announce them.
    Built fonted = Standard(kFontedChild);
    fonted.bytes.PutWord(0, LOWORD(kChild));
    EXPECT_FALSE(fonted.bytes.Check());
}

TEST(DialogTemplateCheck, RefusesTheMessageFontPointSize)
{
    // Dialog managers disagree on whether the font's other fields follow this point size.
    for (Built built : {Standard(kFontedChild), Extended(kFontedChild)}) {
        SCOPED_TRACE(built.bytes.Size());
        built.bytes.PutWord(built.pointSizeAt, 0x7FFF);
        EXPECT_FALSE(built.bytes.Check());
    }
}
}  // namespace
