#include "items/CancelCommands.h"

#include "board/MainForm.h"

namespace qv {

CancelCommands::CancelCommands(MainForm &form) : m_form(form) {}
CancelCommands::~CancelCommands() = default;

void CancelCommands::loadReasons() {}
void CancelCommands::CANCITE() {}
void CancelCommands::BAIXITE() {}

} // namespace qv
