#pragma once
// The page resources (web/ compiled under ":/web/") live in this static
// library; a program or test that reads them calls this once first.

void initWebResources();
