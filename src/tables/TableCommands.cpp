#include "tables/TableCommands.h"

#include "board/MainForm.h"

namespace qv {

TableCommands::TableCommands(MainForm &form) : m_form(form) {}
TableCommands::~TableCommands() = default;

void TableCommands::toggleBlock() {}
void TableCommands::IMPMESA() {}
void TableCommands::tableDiscount() {}
void TableCommands::toggleService() {}
void TableCommands::closeAccount() {}

} // namespace qv
