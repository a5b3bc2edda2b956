#pragma once
// The creators of the common controls' skin objects, one per file of this
// folder; RegisterCommonControlSkins gives them to the registry.
#include "skin/runtime/SkinCtrl.h"

#include <memory>

namespace glint {

std::unique_ptr<CSkinCtrl> CreateComboBoxSkin(CSkinWnd* parent, uint32_t type);
std::unique_ptr<CSkinCtrl> CreateTrackbarSkin(CSkinWnd* parent, uint32_t type);
std::unique_ptr<CSkinCtrl> CreateUpDownSkin(CSkinWnd* parent, uint32_t type);
std::unique_ptr<CSkinCtrl> CreateTabSkin(CSkinWnd* parent, uint32_t type);
std::unique_ptr<CSkinCtrl> CreateScrollBarControlSkin(CSkinWnd* parent, uint32_t type);
std::unique_ptr<CSkinCtrl> CreateAnimationSkin(CSkinWnd* parent, uint32_t type);

} // namespace glint
