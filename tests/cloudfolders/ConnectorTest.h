#pragma once

#include "support/SandboxWorld.h"
#include "support/TestText.h"

#include <gtest/gtest.h>

#include <memory>

// A connector of one service against its stand-in, made as each click makes
// it: signed in through `signIn` unless another browser is given.
template<class Service, class Connector>
class ConnectorTest : public ::testing::Test, protected SandboxWorld<Service>
{
protected:
    std::unique_ptr<Connector> connector(SignIn &through)
    {
        return std::make_unique<Connector>(this->state(), this->config, through, this->prompt);
    }
    std::unique_ptr<Connector> connector() { return connector(this->signIn); }
};
