#include "settings/settings.h"

namespace qp {

SettingsStore& TheSettings() {
    // Never destroyed: a worker still running while the process exits may yet take
    // the lock, and must not find it already torn down.
    static SettingsStore* const store = new SettingsStore;
    return *store;
}

}  // namespace qp
