#include "lists/list_state.h"

namespace {

std::string fourCharacters(std::string_view code) {
  std::string out(code.substr(0, 4));
  out.resize(4, ' ');
  return out;
}

}  // namespace

void parseApptView(std::string_view value, ListState* state) {
  if (state == nullptr) return;
  const char digit = value.empty() ? '0' : value.front();
  const std::string code = value.size() > 2 ? std::string(value.substr(2, 4)) : std::string();
  if (digit == '1') {
    state->mode = kViewModeOperatory;
    state->operatoryCode = code;
  } else if (digit == '2') {
    state->mode = kViewModeProvider;
    state->providerCode = code;
  } else {
    state->mode = kViewModeAll;
  }
}

std::string formatApptView(const ListState& state) {
  const int mode = (state.mode == kViewModeOperatory || state.mode == kViewModeProvider)
                       ? state.mode
                       : kViewModeAll;
  const std::string& code = mode == kViewModeOperatory ? state.operatoryCode : state.providerCode;
  return std::to_string(mode) + "(" + fourCharacters(code) + ")";
}

std::string viewCode(const ListState& state) {
  if (state.mode == kViewModeOperatory) return fourCharacters(state.operatoryCode);
  if (state.mode == kViewModeProvider) return fourCharacters(state.providerCode);
  return "    ";
}
