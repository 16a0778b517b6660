// The two set-up dialogs as the main window's commands reach them (app.wizardDialog,
// app.menuRDialog). Each is created once and keeps its state between openings.
#pragma once

#include "base/app.h"

namespace ruzer {

// TfWiz "簡単初期設定": modal; on OK the checked lines become source rows of the active page.
class IWizardDialog {
 public:
  virtual ~IWizardDialog() = default;
  virtual void Show(App& app) = 0;
};

// TfMenuR "スタートメニューへの登録": modal; on OK the chosen shortcuts are created.
class IMenuRDialog {
 public:
  virtual ~IMenuRDialog() = default;
  virtual void Show(App& app) = 0;
};

}  // namespace ruzer
