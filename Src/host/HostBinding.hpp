#pragma once

// What the module keeps of its binding to the host: the function table, the tokens and its own
// resources. Filled by the exports and entry wrappers, read by the forwarding functions.

#include "APIFunctionTable.hpp"
#include "Win32.hpp"

namespace HostBinding {

// Copies the host's table (exactly this build's size); false for a null table.
bool ReceiveTable(const void* functionTable);
bool TableReceived();

void SetContextToken(API_Token token);
API_Token GetContextToken();
void SetInterfaceToken(API_Token token);
API_Token GetInterfaceToken();

void SetOwnResourceModule(GSResModule resModule);

}  // namespace HostBinding
