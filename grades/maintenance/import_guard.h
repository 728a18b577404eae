#pragma once
// Before an import: the question whether the database was backed up, then the
// login. True only for a Yes and an administrator's login.

class PanelHost;

namespace maintenance {

bool backedUpAndAdministrator(PanelHost& host);

} // namespace maintenance
