#include "platform/gui/carried_fonts.h"

#include <fontconfig/fontconfig.h>

#include <QByteArray>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>

#include <array>
#include <memory>
#include <mutex>

// Made by Qt's resource compiler from resources/fonts/carried_fonts.qrc. A resource linked
// from a static library is only registered when something calls it.
int qInitResources_carried_fonts();

namespace gui {

namespace {

struct CarriedFace {
    const char* family;
    const char* resource;
};

constexpr std::array<CarriedFace, 1> CarriedFaces{{
    {"Liberation Sans", ":/fonts/LiberationSans-Regular.ttf"},
}};

// Asked of fontconfig, which knows the installed faces once it has read its configuration:
// asking Qt would make it list every face on the system first.
bool SystemHasFamily(const char* family) {
    const std::unique_ptr<FcPattern, decltype(&FcPatternDestroy)> pattern(
        FcPatternBuild(nullptr, FC_FAMILY, FcTypeString, family, nullptr), FcPatternDestroy);
    const std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> objects(
        FcObjectSetBuild(FC_FAMILY, nullptr), FcObjectSetDestroy);
    if (!pattern || !objects) return false;
    const std::unique_ptr<FcFontSet, decltype(&FcFontSetDestroy)> found(
        FcFontList(nullptr, pattern.get(), objects.get()), FcFontSetDestroy);
    return found && found->nfont > 0;
}

void AddCarriedFace(const CarriedFace& face) {
    qInitResources_carried_fonts();
    const QResource resource(QString::fromLatin1(face.resource));
    if (!resource.isValid()) return;
    // The face is stored uncompressed, so Qt reads it where it lies in the program.
    const QByteArray data =
        resource.compressionAlgorithm() == QResource::NoCompression
            ? QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()),
                                      qsizetype(resource.size()))
            : resource.uncompressedData();
    QFontDatabase::addApplicationFontFromData(data);
}

}  // namespace

void EnsureCarriedFonts() {
    if (!qGuiApp) return;
    static std::once_flag once;
    std::call_once(once, [] {
        for (const CarriedFace& face : CarriedFaces) {
            if (!SystemHasFamily(face.family)) AddCarriedFace(face);
        }
    });
}

}  // namespace gui
