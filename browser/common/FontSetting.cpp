#include "browser/common/FontSetting.h"

#include "browser/store/SettingsKey.h"
#include "platform/forms/Controls.h"

void LoadFontSetting(std::initializer_list<TControl*> controls) {
  SettingsKey key;
  if (!key.Has(Setting::Font)) return;
  const std::string face = key.Read(Setting::Font);
  for (TControl* control : controls) control->Font->SetName(face);
}
