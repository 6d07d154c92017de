// Refresh folder.
#pragma once

// Re-reads the description file in use and lists the folder as it is now with the stored
// descriptions. With no readable description file nothing changes.
void RefreshFolder();
