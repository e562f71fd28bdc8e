// Access keys of a tab widget's tabs. The tab in front needs none (it is
// already shown), so its letter is left free for the controls on its page:
// only the tabs behind carry their "&" letter, and the texts follow the
// current tab.
#pragma once

class QTabWidget;

namespace quorlix {

// Call once all tabs are added, with their texts marked as usual ("&Input").
void GiveAccessKeysToTabsBehind(QTabWidget* tabs);

}  // namespace quorlix
