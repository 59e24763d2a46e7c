#include "app/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function in the global namespace, so it must be called from outside
// any namespace.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace hi {

void InitPictures() { InitPictureResources(); }

}  // namespace hi
