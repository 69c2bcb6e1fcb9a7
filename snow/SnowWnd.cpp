// The snow window: the settings it runs with, the flakes' births, steps and drawing on each timer tick.

#include "snow/SnowWnd.h"

#include "platform/Runtime.h"
#include "platform/WinApp.h"
#include "res/Resource.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

CSnowWnd::CSnowWnd(bool bAutoDelete) : m_bAutoDelete(bAutoDelete)
{
    AfxSRand(AfxGetTime() ^ AfxGetProcessId());
    AssignSnowParams(*this, ReadSnowParams());
}

bool CSnowWnd::Create(UINT dwExStyle, UINT dwStyle, const CRect& rect, CWnd* pParentWnd, UINT /*nID*/,
                      void* /*pContext*/)
{
    const char* lpszClass = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, IDC_BLANK);
    return CreateEx(dwExStyle, lpszClass, "", dwStyle, rect, pParentWnd, 0);
}

int CSnowWnd::OnCreate()
{
    if (CWnd::OnCreate() == -1)
        return -1;
    SetPeriod(m_nPeriod);
    return 0;
}

void CSnowWnd::OnTimer(UINT nIDEvent)
{
    if (nIDEvent != ID_TIMER_FRAME)
    {
        CWnd::OnTimer(nIDEvent);
        return;
    }
    if (m_bDisplayOff)
        return;   // a tick queued before the display went off
    CClientDC dc(this);
    GetClientRect(&m_rcClient);
    ClearBackground(dc);
    if (m_bNeedFill)
    {
        AddFlakes(m_nCount);
        m_bNeedFill = false;
    }
    // The generator's values go in the order step, draw, step, draw, ... whatever order the drawing takes.
    m_drawChoices.resize(m_flakes.size());
    for (std::size_t i = 0; i < m_flakes.size(); ++i)
    {
        Flake& f = m_flakes[i];
        if (!StepFlake(f))
            Respawn(f);
        m_drawChoices[i] = f.DrawChoice();
    }
    DrawFlakes(dc);
}

void CSnowWnd::OnPaint()
{
    CPaintDC dc(this);
    if (m_bDisplayOff)
        return;   // nobody sees it: the whole window is painted again when the display comes back
    GetClientRect(&m_rcClient);
    ClearBackground(dc);
    DrawAll(dc);
}

void CSnowWnd::OnDisplayPower(bool bOn)
{
    if (bOn == !m_bDisplayOff)
        return;   // no news: the animation keeps its rhythm
    m_bDisplayOff = !bOn;
    if (m_bDisplayOff)
        KillTimer(ID_TIMER_FRAME);
    else
    {
        SetTimer(ID_TIMER_FRAME, m_nPeriod);
        Invalidate();
    }
    CWnd::OnDisplayPower(bOn);
}

void CSnowWnd::PostNcDestroy()
{
    if (m_bAutoDelete)
        delete this;
}

void CSnowWnd::SetPeriod(UINT n)
{
    m_nPeriod = n;
    if (m_bDisplayOff)
        return;   // the new period starts with the display
    KillTimer(ID_TIMER_FRAME);
    SetTimer(ID_TIMER_FRAME, n);
}

void CSnowWnd::SetFlakeCount(int n)
{
    // Before the first tick there is no client size to be born against: the count waits for it.
    if (m_bNeedFill)
    {
        m_nCount = static_cast<UINT>(std::max(n, 0));
        return;
    }
    const std::int64_t d = std::int64_t{n} - static_cast<std::int64_t>(m_flakes.size());
    if (d > 0)
        AddFlakes(static_cast<UINT>(std::min<std::int64_t>(d, kMaxFlakes)));
    else if (d < 0)
        RemoveFlakes(static_cast<UINT>(std::min<std::int64_t>(-d, static_cast<std::int64_t>(m_flakes.size()))));
}

SnowParams CSnowWnd::GetParams() const
{
    return SnowParamsOf(*this);
}

void CSnowWnd::SetParams(const SnowParams& params)
{
    SetPeriod(params.m_nPeriod);
    // A count is never negative: one beyond int's range asks for as many flakes as the window holds.
    SetFlakeCount(static_cast<int>(std::min<UINT>(params.m_nCount, INT_MAX)));
    SetPixelRatio(params.m_dPixelRatio);
    SetDeltaTime(params.m_dDeltaTime);
    SetGravitation(params.m_dGravitation);
    SetResistance(params.m_dResistance);
    SetFlutter(params.m_dFlutter);
}

void CSnowWnd::SetPixelRatio(double r)
{
    m_dPixelRatio = r;
    const double dWidth = m_rcClient.Width();
    for (Flake& f : m_flakes)
        UpdateRadius(dWidth, f);
}

void CSnowWnd::Respawn(Flake& f)
{
    const double W = m_rcClient.Width();
    const double H = m_rcClient.Height();
    f.vx = 0.0;
    f.vy = m_dGravitation / m_dResistance;   // born at terminal velocity
    f.x = UnitRandom() * W;
    f.y = UnitRandom() * (-H) * m_dSpawnBand;
    // depth^3 uniform spreads the flakes evenly through the volume of the viewing pyramid.
    f.depth = std::pow(UnitRandom() * (1.0 - m_dMinDepthCube) + m_dMinDepthCube, 1.0 / 3.0);
    UpdateRadius(W, f);
}

bool CSnowWnd::StepFlake(Flake& f)
{
    const double dt = m_dDeltaTime;
    const double k = m_dResistance;
    const double g = m_dGravitation;
    const double a = m_dFlutter;
    const double ax = (2.0 * UnitRandom() - 1.0) * a + (-k * (f.vx + m_dWind));
    const double ay = (2.0 * UnitRandom() - 1.0) * a + (-k * f.vy) + g;
    f.vx += ax * dt;
    f.vy += ay * dt;
    // Metres to pixels: near flakes cross the screen faster than far ones.
    const double s = m_rcClient.Width() / m_dPixelRatio / f.depth;
    f.x += dt * f.vx * s;
    f.y += dt * f.vy * s;
    return f.y - f.radius <= m_rcClient.bottom;
}

void CSnowWnd::UpdateRadius(double width, Flake& f)
{
    f.radius = width / m_dPixelRatio / f.depth;
}

void CSnowWnd::AddFlakes(UINT n)
{
    const std::size_t nRoom = kMaxFlakes - std::min(m_flakes.size(), kMaxFlakes);
    const std::size_t nAdd = std::min<std::size_t>(n, nRoom);
    m_flakes.reserve(m_flakes.size() + nAdd);
    for (std::size_t i = 0; i < nAdd; ++i)
    {
        Flake& f = m_flakes.emplace_back();
        Respawn(f);
    }
}

void CSnowWnd::RemoveFlakes(UINT n)
{
    const std::size_t nRemove = std::min<std::size_t>(n, m_flakes.size());
    m_flakes.erase(m_flakes.begin(), m_flakes.begin() + static_cast<std::ptrdiff_t>(nRemove));
}

void CSnowWnd::ClearBackground(CDC& dc)
{
    dc.FillSolidRect(m_rcClient, RgbColor(0, 0, 0));
}

void CSnowWnd::DrawAll(CDC& dc)
{
    m_drawChoices.resize(m_flakes.size());
    for (std::size_t i = 0; i < m_flakes.size(); ++i)
        m_drawChoices[i] = m_flakes[i].DrawChoice();
    DrawFlakes(dc);
}

void CSnowWnd::DrawFlakes(CDC& dc)
{
    // Drawing in reverse has a set-up cost of about one screen, so it pays only for heavy overdraw.
    constexpr std::int64_t kReverseOverdraw = 8;
    const std::int64_t nScreen = std::int64_t{m_rcClient.Width()} * m_rcClient.Height();
    std::int64_t nFigures = 0;
    for (const Flake& f : m_flakes)
    {
        const CRect rc = f.GetBoundRect().Intersect(m_rcClient);
        if (!rc.IsRectEmpty())
            nFigures += std::int64_t{rc.Width()} * rc.Height();
        if (nFigures > kReverseOverdraw * nScreen)
            break;
    }
    if (nFigures <= kReverseOverdraw * nScreen)
    {
        for (std::size_t i = 0; i < m_flakes.size(); ++i)
            m_flakes[i].Draw(dc, m_drawChoices[i]);
        return;
    }
    dc.BeginReverseOrder();
    for (std::size_t i = m_flakes.size(); i-- > 0;)
        m_flakes[i].Draw(dc, m_drawChoices[i]);
    dc.EndReverseOrder();
}
