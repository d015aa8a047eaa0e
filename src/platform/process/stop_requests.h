// Stop requests held back while a document is settled: a request to end the program
// (SIGTERM, SIGHUP, SIGINT, SIGQUIT) that arrives meanwhile is only noted, and takes effect
// when the hold ends, as it would have at once: the terminal given back, then the program ends
// by that signal. So a document is never left delivered but not yet removed.
#pragma once

// Starts holding stop requests; holds nest, and only the outermost end lets them through.
void HoldStopRequests();
// Ends a hold; at the outermost end a request noted meanwhile ends the program here.
void ReleaseStopRequests();
