#!/usr/bin/env python3
# Statements per closed order from the traces of count_statements.so (the measuring tools'
# LD_PRELOAD library): counts from the first scan of each trace on, and prints per order the
# statements, VM steps and COMMITs, then the most frequent statements (TOP=N, 60 by default)
# with their runs and steps per order.
#
# Usage: bench/statements_per_order.py trace.PID... ORDERS
import collections
import os
import sys
files = sys.argv[1:-1]; orders = int(sys.argv[-1])
n=0; steps=0; commits=0; by=collections.Counter(); bysteps=collections.Counter()
for f in files:
    started=False
    for l in open(f, errors='replace'):
        p=l.rstrip('\n').split('\t')
        if p[0]=='S':
            if not started and 'SELECT DISTINCT CA.CDCAIXA' in p[2]: started=True
            if not started: continue
            n+=1; t=' '.join(p[2].split())[:140]; by[t]+=1; last=t
            if t.upper().startswith('COMMIT'): commits+=1
        elif p[0]=='P' and started:
            steps+=int(p[1]); bysteps[last]+=int(p[1])
print("statements %d per order %.1f steps/order %.0f commits/order %.2f"%(n,n/orders,steps/orders,commits/orders))
for t,c in by.most_common(int(os.environ.get('TOP','60'))):
    print("%7.2f %9.0f  %s"%(c/orders, bysteps[t]/orders, t))
