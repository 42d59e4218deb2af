#include "shell/application.h"

wxIMPLEMENT_APP(CTamberApplication);
