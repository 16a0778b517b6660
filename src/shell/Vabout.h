// The about box's texts: the product's name and version. The box has no
// other behaviour.
#pragma once

#include <string>

namespace ruzer {

struct AboutTexts {
  std::wstring caption;
  std::wstring product;
  std::wstring version;  // "Version  6.00"
};
AboutTexts AboutBoxTexts();

}  // namespace ruzer
