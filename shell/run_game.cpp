#include "shell/application.h"

bool RunGame()
{
    return true;
}
