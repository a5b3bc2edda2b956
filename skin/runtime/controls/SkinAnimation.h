#pragma once
// CSkinAnimation: the animation control plays its clips itself. ACM_OPEN
// opens a file, or a clip of a module's "AVI" resources written to a
// temporary file, with CAviClip; ACM_PLAY starts a thread that draws the
// frames at the clip's rate on the skin's background; ACM_STOP stops it.
#include "skin/runtime/controls/AviClip.h"
#include "skin/runtime/controls/SkinPaintedCtrl.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace glint {

// Why the control shows no clip.
enum AnimationError {
    ANIMATION_OK = 0,
    ANIMATION_NO_CLIP,         // nothing was opened
    ANIMATION_NO_RESOURCE,     // the module has no such "AVI" resource
    ANIMATION_NO_TEMP_FILE,    // the resource could not be written to a temporary file
    ANIMATION_CLIP_REFUSED,    // the clip reader refused it (ClipError says why)
};

class CSkinAnimation : public CSkinPaintedCtrl {
public:
    using CSkinPaintedCtrl::CSkinPaintedCtrl;
    ~CSkinAnimation() override;

    void Detach() override;
    void OnNcDestroy() override;
    void Draw(HDC dc) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    AnimationError Error() const { return error_; }
    AviClipError ClipError() const { return clip_.Error(); }
    bool Playing() const { return thread_.joinable(); }
    int32_t CurrentFrame() const { return frame_; }

private:
    bool Open(HINSTANCE module, LPARAM clip, bool wide);
    bool OpenResource(HINSTANCE module, LPCSTR name, const char* tempName);
    bool Play(int repeat, int from, int to);
    void Stop();
    void CloseClip();
    void RemoveTempFile();
    void PlayLoop(int repeat, int from, int to);
    // The clip's place in the client: centred, or at the top-left corner.
    POINT FramePlace() const;
    void DrawFrame(HDC dc);
    void Notify(WORD code);

    CAviClip clip_;
    std::mutex clipLock_;        // the frame thread and painting share the clip
    std::thread thread_;
    HANDLE stopEvent_ = nullptr;
    std::atomic<int32_t> frame_{0};
    std::string tempFile_;       // a temporary copy still to delete, or empty
    AnimationError error_ = ANIMATION_NO_CLIP;
};

} // namespace glint
