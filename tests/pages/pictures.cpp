// Saving the pictures drawn for the tests, kept apart from the Windows headers of the tests.
#include "pages/pictures.h"

#include <vips/vips8>

#include <cstdlib>

namespace tintwell_test {

void Picture::Save(const std::string& path, double blur, int orientation) const
{
    vips::VImage image = vips::VImage::new_from_memory(const_cast<uint8_t*>(px_.data()), px_.size(), w_, h_, 3,
                                                       VIPS_FORMAT_UCHAR)
                             .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    if (blur > 0)
        image = image.gaussblur(blur).cast(VIPS_FORMAT_UCHAR);
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
    VImage after = VImage::new_from_buffer(pagePng.data(), pagePng.size(), "").colourspace(VIPS_INTERPRETATION_sRGB);
    before = before.gravity(VIPS_COMPASS_DIRECTION_CENTRE, 680, 460, VImage::option()->set("background", 128));
    before.join(after, VIPS_DIRECTION_HORIZONTAL).write_to_file((std::string(shots) + "/" + name).c_str());
}

}  // namespace tintwell_test
