#pragma once
// CSkinScrollCtrl: the base of the skin objects of controls that scroll their
// own client area (edit, rich edit, list box, IP address, list view, tree
// view). The system's class still paints the client; the object turns on the
// skinned scroll bars, paints the border from the definition and recolours the
// client or puts a background picture under it.
#include "skin/runtime/SkinCtrl.h"

#include <memory>

namespace glint {

class CSkinScrollCtrl : public CSkinCtrl {
public:
    CSkinScrollCtrl(CSkinWnd* parent, uint32_t type);
    ~CSkinScrollCtrl() override;

    CSkinNode* SetDefinition(CSkinNode* definition) override;
    void Detach() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool SkinnedBarsEnabled() const { return barsEnabled_; }
    // Whether WM_PAINT composes the background picture under the control's painting.
    bool HasClientBackground() const;

protected:
    // The border picture over the border ring after the default painting of
    // the rest; false (nothing done) without a picture or a border.
    bool PaintBorder(WPARAM updateRegion);
    // The background picture, then the control's own painting over it with the
    // system window colour left out.
    void PaintClientBackground();
    // After a message that moved the contents: the bars and the background follow.
    virtual void AfterScroll();
    // Turns the skinned bars on once (NT 4, 2000 and XP with a scroll bar definition).
    void EnableSkinnedBars();
    void ApplyBarMetrics();
    void ReleaseBackground();

    bool barsEnabled_ = false;
    bool barsTried_ = false;

private:
    struct ScrollSpot {
        int horizontal;
        int vertical;
        LRESULT top;
    };
    ScrollSpot Spot();
    // The background picture at the client size, made when missing.
    HBITMAP Background(HDC dc, const RECT& client);

    HBITMAP background_ = nullptr;
    SIZE backgroundSize_ = {};
};

// The list box object, also for a simple combo box's list.
std::unique_ptr<CSkinCtrl> CreateListBoxSkin(CSkinWnd* parent);

} // namespace glint
