#include "platform/windows/BitmapConversion.h"

// DevIL takes wide paths only when built, and included, for Unicode (_UNICODE).
#include <IL/il.h>

#include "model/CoreError.h"
#include "platform/windows/Win32String.h"

namespace {

void InitialiseLibraryOnce() {
    static const bool initialised = [] {
        ilInit();
        ilEnable(IL_FILE_OVERWRITE);
        return true;
    }();
    (void)initialised;
}

// DevIL's current image, deleted on every way out.
class BoundImage final {
public:
    BoundImage() : id(ilGenImage()) { ilBindImage(id); }
    ~BoundImage() { ilDeleteImage(id); }
    BoundImage(const BoundImage&) = delete;
    BoundImage& operator=(const BoundImage&) = delete;

private:
    ILuint id;
};

}  // namespace

void ConvertToBitmap(const WideString& imagePath, const WideString& bitmapPath) {
    InitialiseLibraryOnce();
    const BoundImage image;
    if (ilLoadImage(AsWin32(imagePath)) != IL_TRUE) {
        throw CoreError("Can't load image");
    }
    if (ilSaveImage(AsWin32(bitmapPath)) != IL_TRUE) {
        throw CoreError("Can't save image");
    }
}
