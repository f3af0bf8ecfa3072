// Layouts that give the framed classes an unknown property or a value of the wrong kind
// fail with the reader's error naming the layout, the line and the property.
#include "controls/framed/FcListVw.h"
#include "controls/framed/FcRadChk.h"
#include "controls/framed/FcSplit.h"

#include "framework/Forms.h"

#include <gtest/gtest.h>

namespace {

std::string ReadError(const std::string& className, const std::string& prop) {
    TFreeGuard<TForm> form(TForm::Create(nullptr, false));
    try {
        ReadLayout(form.get(), "object F: TForm\n  object c: " + className + "\n    " + prop + "\n  end\nend\n", "Bad");
    } catch (const EReadError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(FcLayoutErrors, NameTheLayoutLineAndProperty) {
    const std::pair<const char*, const char*> cases[] = {
        {"TFcFrameController", "FrameFlat = 'yes'"},          {"TFcFrameController", "FrameFlatStyle = 12"},
        {"TFcFrameController", "FrameSides = fsFlat"},        {"TFcFrameController", "FrameStyle = fsNoSuch"},
        {"TFcFrameController", "FrameRadius = 3"},            {"TFcCheckBox", "State = 3"},
        {"TFcCheckBox", "Transparent = 'yes'"},               {"TFcCheckBox", "Flat = cbChecked"},
        {"TFcCheckBox", "Alignment = taCenter"},              {"TFcCheckBox", "HotTrackStyle = htsTab"},
        {"TFcGroupBox", "GroupStyle = gsFancy"},              {"TFcGroupBox", "FrameSides = 3"},
        {"TFcGroupBox", "UseGradients = 'x'"},                {"TFcGroupBox", "BannerHeight = 'tall'"},
        {"TFcGroupBox", "BorderSides = [sdLeft, sdMiddle]"},  {"TFcGroupBox", "Glow = True"},
        {"TFcSizePanel", "SizeBarStyle = ssWavy"},            {"TFcSizePanel", "HotSpotClosed = 'yes'"},
        {"TFcSizePanel", "HotSpotPosition = 'wide'"},         {"TFcSizePanel", "Side = alLeft"},
        {"TFcSizePanel", "HotSpotSizePercent = True"},        {"TFcListView", "HeaderSortDisplayMode = hsdmSideways"},
        {"TFcListView", "FrameFlat = 'x'"},                   {"TFcListView", "FrameFocusStyle = 7"},
        {"TFcListView", "FrameSides = [sdUp]"},               {"TFcListView", "FillLastColumn = clRed"},
    };
    for (auto& [cls, prop] : cases) {
        std::string error = ReadError(cls, prop);
        std::string name = std::string(prop).substr(0, std::string(prop).find(' '));
        EXPECT_NE(error.find("Bad(3)"), std::string::npos) << cls << " " << prop << ": " << error;
        EXPECT_NE(error.find(name), std::string::npos) << cls << " " << prop << ": " << error;
    }
}
