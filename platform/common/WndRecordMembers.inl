// The members of CWnd, CMenu and CDialog that read nothing but the window record, for the back ends
// that keep their own records (headless, Qt). Each includes this once, after defining its record
// (CWndImpl), its table (CWinAppImpl) and RecordState(), which gives the application's table.

bool CWnd::DestroyWindow()
{
    if (m_pImpl == nullptr)
        return false;
    RecordState().Destroy(m_pImpl);
    return true;
}

WindowHandle CWnd::GetSafeHwnd() const
{
    return m_pImpl != nullptr ? m_pImpl->hWnd : 0;
}

void CWnd::GetClientRect(CRect* lpRect) const
{
    *lpRect = m_pImpl != nullptr ? m_pImpl->ClientRect() : CRect();
}

bool CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return RecordState().Subclass(CWndImpl::Of(pParent), nID, this);
}

int CWnd::GetDlgCtrlID() const
{
    return m_pImpl != nullptr ? m_pImpl->nID : 0;
}

CMenu* CWnd::GetSystemMenu(bool bRevert)
{
    return m_pImpl != nullptr ? m_pImpl->SystemMenu(bRevert) : nullptr;
}

bool CMenu::AppendMenu(UINT nFlags, UINT nIDNewItem, const char* lpszNewItem)
{
    return m_pImpl->Append(nFlags, nIDNewItem, lpszNewItem);
}

std::intptr_t AfxDefaultHandling(CWnd* pWnd)
{
    CWndImpl* pImpl = CWndImpl::Of(pWnd);
    if (pImpl == nullptr || pImpl->handling.empty())
        return 0;
    return pImpl->DefaultHandling(pImpl->handling.back());
}

CWnd* CDialog::GetDlgItem(int nID) const
{
    const CWndImpl* pDlg = CWndImpl::Of(this);
    CWndImpl* pChild = pDlg != nullptr ? pDlg->Child(nID) : nullptr;
    return pChild != nullptr ? pChild->pWnd : nullptr;
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    RecordState().GotoDlgCtrl(CWndImpl::Of(pWndCtrl));
}
