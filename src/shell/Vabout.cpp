#include "shell/Vabout.h"

#include "store/Fdef.h"

namespace ruzer {

AboutTexts AboutBoxTexts() {
  return {L"バージョン情報", Fdef::kAboutProduct, std::wstring(L"Version  ") + Fdef::kVersion};
}

}  // namespace ruzer
