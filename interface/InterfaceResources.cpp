#include "InterfaceResources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE declares the generated initialiser, which has to happen outside any namespace.
void ozmidInitInterfaceResources()
{
    Q_INIT_RESOURCE(ozmid_interface);
}
