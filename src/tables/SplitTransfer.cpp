#include "tables/SplitTransfer.h"

#include "board/MainForm.h"

namespace qv {

SplitTransfer::SplitTransfer(MainForm &form) : m_form(form) {}
SplitTransfer::~SplitTransfer() = default;

void SplitTransfer::DIVIDIR() {}
void SplitTransfer::openTransfer() {}

} // namespace qv
