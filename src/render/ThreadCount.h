#pragma once
// The most threads anything draws with: a strip of rows per thread stays a few dozen rows high.
constexpr int maxRenderThreads = 30;
