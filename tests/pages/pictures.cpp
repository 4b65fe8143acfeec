// Saving the pictures drawn for the tests, kept apart from the Windows headers of the tests.
#include "pages/pictures.h"

#include <vips/vips8>

#include <cstdlib>

namespace tintwell_test {

void Picture::Save(const std::string& path, double blur, int orientation, Form form) const
{
    using vips::VImage;
    VImage image = VImage::new_from_memory(const_cast<uint8_t*>(px_.data()), px_.size(), w_, h_, 3, VIPS_FORMAT_UCHAR)
                       .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    if (blur > 0)
        image = image.gaussblur(blur).cast(VIPS_FORMAT_UCHAR);
    if (form == Form::Grey || form == Form::GreyClear)
        image = image.colourspace(VIPS_INTERPRETATION_B_W);
    if (form == Form::Clear || form == Form::GreyClear) {
        const VImage opaque = (image.colourspace(VIPS_INTERPRETATION_B_W) < 128) / 255;
        image = (image * opaque).cast(VIPS_FORMAT_UCHAR).bandjoin(opaque * 255).cast(VIPS_FORMAT_UCHAR);
    }
    if (form == Form::Deep)
        image = (image.cast(VIPS_FORMAT_USHORT) * 257)
                    .cast(VIPS_FORMAT_USHORT)
                    .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_RGB16));
    image = image.copy_memory();
    if (orientation)
        image.set(VIPS_META_ORIENTATION, orientation);
    image.write_to_file(path.c_str());
}

void ShowBeforeAndAfter(const std::string& picture, const std::vector<uint8_t>& pagePng, const std::string& name)
{
    const char* shots = std::getenv("TW_SHOTS");
    if (!shots || !*shots)
        return;
    using vips::VImage;
    VImage before = VImage::thumbnail(picture.c_str(), 660, VImage::option()->set("height", 460));
    if (before.has_alpha())
        before = before.flatten(VImage::option()->set("background", 255));
    before = before.colourspace(VIPS_INTERPRETATION_sRGB).cast(VIPS_FORMAT_UCHAR);
    VImage after = VImage::new_from_buffer(pagePng.data(), pagePng.size(), "").colourspace(VIPS_INTERPRETATION_sRGB);
    before = before.gravity(VIPS_COMPASS_DIRECTION_CENTRE, 680, 460, VImage::option()->set("background", 128));
    before.join(after, VIPS_DIRECTION_HORIZONTAL).write_to_file((std::string(shots) + "/" + name).c_str());
}

}  // namespace tintwell_test
