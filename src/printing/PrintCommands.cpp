#include "printing/PrintCommands.h"

#include "board/MainForm.h"

namespace qv {

PrintCommands::PrintCommands(MainForm &form) : m_form(form) {}
PrintCommands::~PrintCommands() = default;

void PrintCommands::loadPrinters() {}
void PrintCommands::openPrintMenu() {}
void PrintCommands::TESTEIMP() {}

} // namespace qv
