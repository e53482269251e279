#include "history/preview.h"

#include <vector>

#include "history/file_list.h"
#include "history/preview_rules.h"
#include "platform/clip_objects.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace nimbara {

namespace {

const ClipFormatRecord* Find(const ClipSlot& slot, UINT format) {
    for (const ClipFormatRecord& r : slot)
        if (r.format == format) return &r;
    return nullptr;
}

// The clipboard's text in its ANSI form, cut to the preview's 100 bytes. The cut
// counts bytes of the code page on purpose: a double-byte character may be split.
std::wstring TextPreview(const ClipSlot& slot) {
    std::string bytes;
    if (const ClipFormatRecord* text = Find(slot, CF_TEXT)) {
        bytes = CutPreviewText(text->data.bytes());
    } else if (const ClipFormatRecord* unicode = Find(slot, CF_UNICODETEXT)) {
        // The system offers CF_TEXT beside CF_UNICODETEXT; should a snapshot lack it,
        // derive it the way the system would.
        const auto units = unicode->data.size() / sizeof(wchar_t);
        std::wstring wide(reinterpret_cast<const wchar_t*>(unicode->data.data()), units);
        wide.resize(wcsnlen(wide.c_str(), wide.size()));
        const std::string ansi = WideToAnsi(wide);
        bytes = CutPreviewText({reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size()});
    } else if (const ClipFormatRecord* oem = Find(slot, CF_OEMTEXT)) {
        bytes = CutPreviewText(oem->data.bytes());
    }
    return AnsiToWide(bytes);
}

TilePicture PicturePreview(const ClipFormatRecord& record) {
    TilePicture picture;
    if (record.data.empty()) return picture;
    ClipObject object = MakeClipObject(record.encoding, record.data.bytes());
    if (!object) return picture;
    if (record.encoding == ClipEncoding::kBitmap) {
        picture.bitmap.reset(static_cast<HBITMAP>(object.get()));
        object.HandOver();
    } else if (record.encoding == ClipEncoding::kEnhMetaFile) {
        picture.metafile.reset(static_cast<HENHMETAFILE>(object.get()));
        object.HandOver();
    } else if (record.encoding == ClipEncoding::kMetaFilePict) {
        // Shown as an enhanced metafile, as the system converts it.
        const LockedGlobal lock(object.get());
        if (const auto* pict = lock.as<const METAFILEPICT>()) {
            const UINT size = ::GetMetaFileBitsEx(pict->hMF, 0, nullptr);
            std::vector<BYTE> bits(size);
            ::GetMetaFileBitsEx(pict->hMF, size, bits.data());
            picture.metafile.reset(::SetWinMetaFileBits(size, bits.data(), nullptr, pict));
        }
    }
    return picture;
}

std::wstring FilesPreview(const ClipFormatRecord& record) {
    // The block comes from any program: it is read only within its own bytes.
    const DropFileList list = ReadDropFiles(record.data.bytes());
    std::vector<std::string> names = list.ansi_names;
    for (const std::u16string& wide : list.wide_names) names.push_back(WideToAnsi(ToWide(wide)));
    return ToWide(kFilesCaptionPrefix) + AnsiToWide(JoinDroppedNames(names));
}

}  // namespace

Preview BuildPreview(const ClipSlot& slot) {
    Preview preview;
    if (Find(slot, CF_TEXT) || Find(slot, CF_OEMTEXT) || Find(slot, CF_UNICODETEXT)) {
        preview.text = TextPreview(slot);
        return preview;
    }
    for (const ClipFormatRecord& r : slot) {
        if (r.format == CF_BITMAP || r.format == CF_METAFILEPICT || r.format == CF_ENHMETAFILE) {
            preview.picture = PicturePreview(r);
            return preview;
        }
    }
    if (const ClipFormatRecord* files = Find(slot, CF_HDROP)) {
        preview.text = FilesPreview(*files);
        return preview;
    }
    std::vector<std::uint16_t> formats;
    for (const ClipFormatRecord& r : slot) formats.push_back(r.format);
    preview.text = ToWide(UnpreviewableCaption(formats));
    return preview;
}

}  // namespace nimbara
