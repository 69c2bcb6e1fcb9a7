// The program's string table.

#include "platform/WinApp.h"
#include "res/Resource.h"

const char* AfxFindString(UINT nID)
{
    switch (nID)
    {
    case IDS_APPNAME: return "Kelvane";
    case IDS_ABOUTBOX: return "&About Saver...";
    default: return nullptr;
    }
}
