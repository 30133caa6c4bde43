#include "DefaultProgramRunner.hpp"

namespace OSUtils {

namespace {

GS::Array<GS::UniString>& OpenedAddresses()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static GS::Array<GS::UniString>& addresses = *new GS::Array<GS::UniString>;
    return addresses;
}

}  // namespace

bool OpenWithDefaultBrowser(const GS::UniString& address)
{
    OpenedAddresses().Push(address);
    return true;
}

GS::Array<GS::UniString> GetOpenedAddresses()
{
    return OpenedAddresses();
}

void ClearOpenedAddresses()
{
    OpenedAddresses().Clear();
}

}  // namespace OSUtils
