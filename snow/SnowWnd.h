#pragma once
// The window in which snow falls: it owns the settings it runs with and the flakes, and animates
// them on a timer. The preview panes and the full-screen saver are snow windows.

#include "platform/Dc.h"
#include "platform/Wnd.h"
#include "snow/Flake.h"
#include "snow/SnowParams.h"

#include <cstddef>
#include <vector>

class CSnowWnd : public CWnd
{
public:
    static constexpr UINT ID_TIMER_FRAME = 1;
    // A hand-edited profile may ask for billions of flakes; the window holds at most this many,
    // ten times what the settings dialog allows.
    static constexpr std::size_t kMaxFlakes = 100000;

    // Seeds the shared random generator and loads the settings from the profile.
    explicit CSnowWnd(bool bAutoDelete);
    ~CSnowWnd() override = default;

    // Creates the window over rect with the snow window class; the animation starts at once.
    // nID and pContext are accepted for the framework's signature and not used.
    virtual bool Create(UINT dwExStyle, UINT dwStyle, const CRect& rect, CWnd* pParentWnd, UINT nID = 0,
                        void* pContext = nullptr);

    // Settings in force. The setters take effect from the next step or birth.
    void SetPeriod(UINT n);   // restarts the frame timer
    // Grows or shrinks the population; the first frame's count stays. Before the first frame it
    // sets the count that frame creates.
    void SetFlakeCount(int n);
    void SetPixelRatio(double r);   // rescales every flake at once
    void SetDeltaTime(double d) { m_dDeltaTime = d; }
    void SetGravitation(double d) { m_dGravitation = d; }
    void SetResistance(double d) { m_dResistance = d; }
    void SetFlutter(double d) { m_dFlutter = d; }
    UINT GetPeriod() const { return m_nPeriod; }
    UINT GetCount() const { return m_nCount; }
    double GetPixelRatio() const { return m_dPixelRatio; }
    double GetDeltaTime() const { return m_dDeltaTime; }
    double GetGravitation() const { return m_dGravitation; }
    double GetResistance() const { return m_dResistance; }
    double GetFlutter() const { return m_dFlutter; }
    // The seven at once: read as the getters read them, applied through the setters in field order.
    SnowParams GetParams() const;
    void SetParams(const SnowParams& params);

    // The physics, against the client rectangle of the latest frame or paint.
    void Respawn(Flake& f);     // born at terminal velocity in the band above the top edge
    bool StepFlake(Flake& f);   // false once the flake has left through the bottom
    void UpdateRadius(double width, Flake& f);
    void AddFlakes(UINT n);      // appended at the tail, up to kMaxFlakes in all
    void RemoveFlakes(UINT n);   // removed from the head

    void ClearBackground(CDC& dc);
    void DrawAll(CDC& dc);
    void DrawFlake(CDC& dc, const Flake& f) { f.Draw(dc); }
    // Draws every flake with the random value m_drawChoices holds for it. Where the flakes'
    // figures add up to many screens (giant flakes from a hand-edited profile), they are drawn
    // last to first, each only where no later flake lies: the same pixels, at the cost of one screen.
    void DrawFlakes(CDC& dc);

    const std::vector<Flake>& GetFlakes() const { return m_flakes; }

protected:
    int OnCreate() override;
    void OnTimer(UINT nIDEvent) override;
    void OnPaint() override;
    // While the display is off the snow stands still and nothing is drawn; it falls on when the display comes back.
    void OnDisplayPower(bool bOn) override;
    void PostNcDestroy() override;

    std::vector<Flake> m_flakes;      // in drawing order; records are reused when flakes are reborn
    std::vector<int> m_drawChoices;   // per flake, the random value its drawing takes this frame
    CRect m_rcClient;
    bool m_bNeedFill = true;      // the first tick creates m_nCount flakes, against the real size
    bool m_bDisplayOff = false;   // the frame timer is stopped until the display comes back
    template <class T>
    friend void AssignSnowParams(T& to, const SnowParams& params);
    template <class T>
    friend SnowParams SnowParamsOf(const T& from);
    UINT m_nPeriod;
    UINT m_nCount;
    double m_dPixelRatio;
    double m_dDeltaTime;
    double m_dGravitation;
    double m_dResistance;
    double m_dFlutter;
    const double m_dMinDepthCube = 1.0 / 256.0;   // depth^3 is uniform in [1/256, 1]
    const double m_dSpawnBand = 0.25;             // flakes are born up to H/4 above the top edge
    const double m_dWind = 0.0;
    bool m_bAutoDelete;
};
