#pragma once
// The About box of the settings dialog's system menu: the program's name, version and purpose.

#include "platform/Dialog.h"

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnInitDialog() override;   // centred as it opens
};
