#include "history/preview.h"

#include <vector>

#include "history/file_list.h"
#include "history/preview_rules.h"
#include "platform/clip_objects.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace nimbara {

namespace {

// The clipboard's text in its ANSI form, cut to the preview's 100 bytes. The cut
// counts bytes of the code page on purpose: a double-byte character may be split.
std::wstring TextPreview(const ClipFormatRecord& record) {
    if (record.format != CF_UNICODETEXT) return AnsiToWide(CutPreviewText(record.data.bytes()));
    // The system offers CF_TEXT beside CF_UNICODETEXT; should a snapshot lack it,
    // derive it the way the system would.
    const auto units = record.data.size() / sizeof(wchar_t);
    std::wstring wide(reinterpret_cast<const wchar_t*>(record.data.data()), units);
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    const std::string ansi = WideToAnsi(wide);
    return AnsiToWide(
        CutPreviewText({reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size()}));
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
    std::vector<std::uint16_t> formats;
    for (const ClipFormatRecord& r : slot) formats.push_back(r.format);
    const PreviewChoice choice = ChoosePreview(formats);
    Preview preview;
    switch (choice.kind) {
        case PreviewKind::kText:
            preview.text = TextPreview(slot[choice.record]);
            break;
        case PreviewKind::kPicture:
            preview.picture = PicturePreview(slot[choice.record]);
            break;
        case PreviewKind::kFiles:
            preview.text = FilesPreview(slot[choice.record]);
            break;
        case PreviewKind::kFormatNumbers:
            preview.text = ToWide(UnpreviewableCaption(formats));
            break;
    }
    return preview;
}

}  // namespace nimbara
