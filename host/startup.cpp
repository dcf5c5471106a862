#include "host/startup.h"

#include "platform/resource_chain.h"

void OnProcessAttach(HINSTANCE instance)
{
    ResourceChain::SetOwnModule(instance);
}

void OnProcessDetach() {}
