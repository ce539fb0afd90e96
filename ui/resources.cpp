#include "ui/resources.h"

#include <QtGlobal>

// The registration function lives in the global namespace, so this one does too.
static void registerResources() {
    Q_INIT_RESOURCE(tresvik);
}

namespace tresvik {

void useResources() {
    static const bool registered = [] {
        registerResources();
        return true;
    }();
    static_cast<void>(registered);
}

}  // namespace tresvik
