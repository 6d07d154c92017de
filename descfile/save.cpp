#include "descfile/save.h"

#include <windows.h>

#include <string>

#include "app/main_window.h"
#include "resources/resource_ids.h"
#include "store/tables.h"

SaveResult SaveDescriptionFile() {
    std::string boxText = ControlText(GetDlgItem(MainWindow, IDC_FOLDER_DESCRIPTION_EDIT));
    SaveResult result = SaveTablesToDescriptionFile(boxText);
    if (result == SaveResult::Failed) {
        std::string message = "The descriptions could not be saved to\n" + CurrentDescFile +
                              "\n\nThe file keeps its previous content.";
        MessageBoxA(MainWindow, message.c_str(), "Error", MB_ICONERROR);
    }
    return result;
}
