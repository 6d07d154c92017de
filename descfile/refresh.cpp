#include "descfile/refresh.h"

#include <string>

#include "descfile/open.h"
#include "descfile/reader.h"
#include "store/tables.h"

void RefreshFolder() {
    if (CurrentDescFile.empty()) {
        return;
    }
    std::string text;
    if (!ReadDescriptionText(CurrentDescFile, text)) {
        ShowNotADescriptionFile();
        return;
    }
    LoadDescriptionText(text);
}
