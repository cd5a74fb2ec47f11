//+------------------------------------------------------------------+
//| ZpDemo Close All: deletes the pending orders of the chart.        |
//| Demo content of the ZpInstall example package.                    |
//+------------------------------------------------------------------+
#property copyright "ZpDemo Software"
#property strict

void OnStart()
{
   int deleted = 0;
   for (int i = OrdersTotal() - 1; i >= 0; i--)
      if (OrderSelect(i, SELECT_BY_POS) && OrderSymbol() == Symbol() && OrderType() > OP_SELL)
         if (OrderDelete(OrderTicket()))
            deleted++;
   Print("ZpDemo Close All: ", deleted, " pending orders deleted");
}
