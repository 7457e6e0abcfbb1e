#pragma once

// Registers the web front end (resource prefix "/interface") with Qt's resource system.
// Call once, after the application object exists and before the main window loads its page.
void ozmidInitInterfaceResources();
