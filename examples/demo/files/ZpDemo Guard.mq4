//+------------------------------------------------------------------+
//| ZpDemo Guard: closes the chart's trades when equity falls below   |
//| a limit. Demo content of the ZpInstall example package.           |
//+------------------------------------------------------------------+
#property copyright "ZpDemo Software"
#property strict

input double EquityLimit = 1000.0;

void OnTick()
{
   if (AccountEquity() >= EquityLimit)
      return;
   for (int i = OrdersTotal() - 1; i >= 0; i--)
   {
      if (!OrderSelect(i, SELECT_BY_POS) || OrderSymbol() != Symbol())
         continue;
      double price = OrderType() == OP_BUY ? Bid : Ask;
      if (!OrderClose(OrderTicket(), OrderLots(), price, 3))
         Print("ZpDemo Guard: cannot close ticket ", OrderTicket(), ", error ", GetLastError());
   }
}
