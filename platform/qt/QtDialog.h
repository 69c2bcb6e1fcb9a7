#pragma once
// How a dialog template becomes pixels on this desktop: the template's face as fontconfig finds
// it, at the template's size for the screen's resolution, and the base units Windows takes from
// that font (the average width of A-Z and a-z, and the height) to turn dialog units into pixels;
// and the template's controls as widgets.

#include "platform/Dialog.h"

#include <QFont>
#include <QRect>
#include <QWidget>

struct CDialogMetrics
{
    QFont font;
    int cxBase = 0;
    int cyBase = 0;

    // x and cx in quarters of cxBase, y and cy in eighths of cyBase, each rounded on its own.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;
};

CDialogMetrics QtDialogMetrics(const DialogTemplate* pTemplate, int nDpi);

// A control of the template as a widget of the dialog's window pDlgWidget; it takes no focus of
// its own, the dialog manager moves it (DialogControlsQt.cpp).
QWidget* QtMakeControl(const DialogControl& c, QWidget* pDlgWidget, WindowHandle hWnd);
