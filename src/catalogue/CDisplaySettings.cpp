#include "catalogue/CDisplaySettings.h"

namespace vorlane::catalogue {

void CDisplaySettings::SetSortMethod(int method, const CSortKey* customKeys) {
    if (method == kSortMethodUnsorted) {
        sortMethod = method;
        return;
    }
    if (method == kSortMethodCustom) {
        if (customKeys != nullptr) {
            sortMethod = method;
            sortKeys[0] = customKeys[0];
            sortKeys[1] = customKeys[1];
            return;
        }
        method = kSortMethodName;
    }
    int direction = 1;
    if (method >= kSortMethodNameDescending && method <= kSortMethodDateDescending) {
        direction = -1;
        method -= kSortMethodNameDescending - kSortMethodName;
    }
    if (method < kSortMethodName || method > kSortMethodDate)
        method = kSortMethodName;
    static const int firstKey[] = {kSortName, kSortExtension, kSortSize, kSortDate};
    static const int secondKey[] = {kSortExtension, kSortName, kSortName, kSortName};
    sortKeys[0] = {firstKey[method - 1], direction};
    sortKeys[1] = {secondKey[method - 1], direction};
    sortMethod = direction < 0 ? method + (kSortMethodNameDescending - kSortMethodName) : method;
}

} // namespace vorlane::catalogue
