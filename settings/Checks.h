#pragma once
// The settings dialog's own lower bounds and arrow steps. A check that fails explains itself in a
// message box, puts the focus back into the edit, and corrects the value.

#include "platform/Types.h"

class CWnd;

// value below nMin: the message, the focus into pEdit, then nMin. true when the value met its bound.
bool CheckMinUInt(UINT nMin, UINT& value, CWnd* pEdit);
// value below dMin: the message, the focus into pEdit, then dMin; a negative value is turned
// positive instead (its magnitude, raised to dMin if still below), with a message of its own.
// A value that does not compare (not a number) passes.
bool CheckMinDouble(double dMin, double& value, CWnd* pEdit);

// One arrow click moves the value by one step, whatever the size of iDelta: a negative iDelta (the
// upper arrow) raises it, any other lowers it. An unsigned value stops at 0 and at its maximum
// rather than wrap, so stepping below zero is caught by the lower bound.
void StepUInt(UINT& value, int iDelta, UINT nStep);
void StepDouble(double& value, int iDelta, double dStep);
