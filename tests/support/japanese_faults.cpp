// The tests see the core's faults as the window, the viewer and the page
// show them: in Japanese, as a program's start would choose.
#include "app/shared/measurement_texts.h"
#include "app/shared/text_catalogue.h"

namespace {

const bool kJapanese = [] {
  voltrigg::SpeakFaultsIn(voltrigg::Language::Japanese);
  voltrigg::SpeakMeasurementRefusalsIn(voltrigg::Language::Japanese);
  return true;
}();

}  // namespace
