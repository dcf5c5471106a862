#include "platform/dialog_template_check.h"

namespace {
// Reads fields in order. Once a field runs past the end, it and every later read yield 0 and
// Ok() stays false.
class TemplateReader {
public:
    TemplateReader(const void* bytes, size_t size) : bytes_(static_cast<const BYTE*>(bytes)), size_(size) {}

    bool Ok() const { return ok_; }
    void Skip(size_t count)
    {
        if (!ok_ || count > size_ - offset_)
            ok_ = false;
        else
            offset_ += count;
    }
    WORD Word()
    {
        const size_t at = offset_;
        Skip(sizeof(WORD));
        return ok_ ? static_cast<WORD>(bytes_[at] | bytes_[at + 1] << 8) : 0;
    }
    DWORD Dword()
    {
        const WORD low = Word();
        return MAKELONG(low, Word());
    }
    // A string of WCHARs up to and including its terminating zero.
    void String()
    {
        while (ok_ && Word() != 0) {
        }
    }
    // A menu, class or item title field: empty, an ordinal after 0xFFFF, or a string.
    void StringOrOrdinal()
    {
        const WORD first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            String();
    }
    void AlignToDword() { Skip((4 - offset_ % 4) % 4); }

private:
    const BYTE* bytes_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

// Size of the fixed part of an item before its class field.
constexpr size_t kItemFixed = 18, kExtendedItemFixed = 24;
// A point size the system's dialog managers read differently: some skip the weight, italic
// flag and face that follow it, others do not.
constexpr WORD kMessageFontPointSize = 0x7FFF;
}  // namespace

bool IsExtendedDialogTemplate(const void* bytes, size_t size)
{
    // Byte by byte, as TemplateReader reads: a template from outside may sit at any address.
    const auto* b = static_cast<const BYTE*>(bytes);
    return size >= 2 * sizeof(WORD) && b[0] == 1 && b[1] == 0 && b[2] == 0xFF && b[3] == 0xFF;
}

bool IsCompleteFontedDialogTemplate(const void* bytes, size_t size)
{
    // DLGTEMPLATEEX has helpID and exStyle before the style; DLGTEMPLATE starts with the style.
    const bool extended = IsExtendedDialogTemplate(bytes, size);
    TemplateReader reader(bytes, size);
    if (extended)
        reader.Skip(4 + 4 + 4);
    const DWORD style = reader.Dword();
    if (!extended)
        reader.Skip(4);  // exStyle
    const WORD items = reader.Word();
    reader.Skip(4 * sizeof(short));  // x, y, cx, cy
    reader.StringOrOrdinal();        // menu
    reader.StringOrOrdinal();        // class
    reader.String();                 // title
    if (!reader.Ok() || !(style & DS_SETFONT))
        return false;
    if (reader.Word() == kMessageFontPointSize)
        return false;
    if (extended)
        reader.Skip(sizeof(WORD) + 2 * sizeof(BYTE));  // weight, italic, charset
    reader.String();                                    // face
    for (WORD item = 0; item < items && reader.Ok(); ++item) {
        reader.AlignToDword();
        reader.Skip(extended ? kExtendedItemFixed : kItemFixed);
        reader.StringOrOrdinal();  // class
        reader.StringOrOrdinal();  // title
        reader.Skip(reader.Word());  // creation data, counted in bytes
    }
    return reader.Ok();
}
