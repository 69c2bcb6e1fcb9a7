// The program's dialog templates. The settings dialog brings its own; the About box (100) stays
// absent on purpose, so asking for it opens nothing.

#include "platform/Dialog.h"

const DialogTemplate* AfxFindDialogTemplate(UINT /*nID*/)
{
    return nullptr;
}
