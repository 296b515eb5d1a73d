#pragma once
// The main form against the data service through a proxy that can fail its
// writes (see FaultProxy.h).

#include "FaultProxy.h"
#include "SavingFixture.h"

namespace e2e {

using stanor::records::test::Fault;
using stanor::records::test::FaultProxy;
using stanor::records::test::faultName;

class FaultProxyE2e : public SavingE2e {
protected:
    void SetUp() override
    {
        SavingE2e::SetUp();
        proxy = std::make_unique<FaultProxy>(service->port);
        run->setService(proxy->base());
    }
    void TearDown() override
    {
        run->form.reset();  // the form first: its last requests go through the proxy
        proxy.reset();
    }

    std::unique_ptr<FaultProxy> proxy;
};

}  // namespace e2e
