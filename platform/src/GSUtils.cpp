#include "GSUtils.hpp"

namespace OSUtils {

namespace {

GS::Array<GS::UniString>& OpenedAddresses()
{
    static GS::Array<GS::UniString> addresses;
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
