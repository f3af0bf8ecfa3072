// Placement of a picture button's caption and picture.
#pragma once
#include "framework/Classes.h"

enum class TArTextAlign {
    taTopLeft, taTopCenter, taTopRight, taMiddleLeft, taMiddleCenter, taMiddleRight,
    taBottomLeft, taBottomCenter, taBottomRight, taCenter, taLeft, taRight, taCustom
};
DECLARE_ENUM_NAMES(TArTextAlign, "taTopLeft", "taTopCenter", "taTopRight", "taMiddleLeft", "taMiddleCenter",
                   "taMiddleRight", "taBottomLeft", "taBottomCenter", "taBottomRight", "taCenter", "taLeft",
                   "taRight", "taCustom");

enum class TArPicAlign {
    paTopLeft, paTopCenter, paTopRight, paMiddleLeft, paMiddleCenter, paMiddleRight,
    paBottomLeft, paBottomCenter, paBottomRight, paCenter, paLeft, paRight, paCustom
};
DECLARE_ENUM_NAMES(TArPicAlign, "paTopLeft", "paTopCenter", "paTopRight", "paMiddleLeft", "paMiddleCenter",
                   "paMiddleRight", "paBottomLeft", "paBottomCenter", "paBottomRight", "paCenter", "paLeft",
                   "paRight", "paCustom");
