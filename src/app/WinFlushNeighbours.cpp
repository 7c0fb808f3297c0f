// qvx-flush-neighbours.exe: started by QvxFinder after a device took a new MAC address. Flushes
// the IPv4 neighbour (ARP) cache of every card so that the new address is learned afresh.
// Needs administrator rights; without them it fails quietly (exit status 1, no window).
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Interface index 0: the entries of every card.
    return FlushIpNetTable2(AF_INET, 0) == NO_ERROR ? 0 : 1;
}
