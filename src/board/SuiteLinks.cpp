#include "board/SuiteLinks.h"

#include "board/MainForm.h"

namespace qv {

SuiteLinks::SuiteLinks(MainForm &form) : m_form(form) {}
SuiteLinks::~SuiteLinks() = default;

void SuiteLinks::report(char) {}
void SuiteLinks::management() {}
void SuiteLinks::takeAway() {}

} // namespace qv
