#pragma once

namespace qv {

// Registers every dialog and sibling-module stand-in under its form name,
// so the commands open them by name through UiService::openForm.
void registerAllForms();

// Qt resources (icons) of the static core library.
void initCoreResources();

// The look of the screens: one style sheet for every form.
void applyStyle();

} // namespace qv
