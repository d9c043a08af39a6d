// The model strings table read by the flash worker's model gate.
#include "update/firmware_image.h"

namespace update {

const ModelStrings kModelStrings = {
    "TEVOR", "HTL6190", "DVD RW KMR5133", "DVD RW KMR5133", "TEVOR", "DVD RW KMR5133",
};

}  // namespace update
