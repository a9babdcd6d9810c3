#pragma once

// Closes the tables and the connection in order behind the closing window.
// Returns where the closing window's gauge ended.
int ShutDown();
