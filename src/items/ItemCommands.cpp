#include "items/ItemCommands.h"

#include "board/MainForm.h"

namespace qv {

ItemCommands::ItemCommands(MainForm &form) : m_form(form) {}
ItemCommands::~ItemCommands() = default;

void ItemCommands::loadObservationList() {}
void ItemCommands::INSITEM() {}
void ItemCommands::CARITEM() {}
void ItemCommands::productSearch() {}

} // namespace qv
