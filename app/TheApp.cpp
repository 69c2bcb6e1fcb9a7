// The one application object, made before the back end's main() runs. Only the program's
// executables link this file; tests make their own application objects.

#include "app/SaverApp.h"

CSaverApp theApp;
